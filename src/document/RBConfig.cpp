#include "document/RBConfig.h"

#include "platform/ContainedFiles.h"
#include "platform/FileUtils.h"
#include "platform/Log.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace {
const QString kDomain = QStringLiteral("RBConfig");
}

RBConfig::RBConfig(QString path, QString root)
    : m_path(std::move(path))
    , m_root(root.isEmpty() ? QFileInfo(m_path).path() : std::move(root))
{
    load();
}

void RBConfig::load()
{
    m_keepExistingFile = false;
    m_problem.clear();
    QString reason;
    const std::optional<QByteArray> bytes = platform::readFileInside(m_root, m_path, &reason, kMaxFileSize);
    if (!bytes) {
        m_values = QJsonObject();
        // A file that exists but cannot be read is still the user's: keep it aside on save.
        const QFileInfo file(m_path);
        m_keepExistingFile = file.exists() || file.isSymLink();
        if (m_keepExistingFile)
            m_problem = reason;
        return;
    }
    QString error;
    const std::optional<QJsonValue> parsed = fromJson(QString::fromUtf8(*bytes), &error);
    if (parsed && parsed->isObject()) {
        m_values = parsed->toObject();
        return;
    }
    m_values.reset();
    m_keepExistingFile = true;
    m_problem = parsed ? QStringLiteral("The settings file \u201C%1\u201D holds no JSON object.").arg(QFileInfo(m_path).fileName())
                       : QStringLiteral("The settings file \u201C%1\u201D is not JSON (%2).").arg(QFileInfo(m_path).fileName(), error);
    platform::Log::warning(kDomain, QStringLiteral("%1 is not a JSON object (%2); the defaults stay in force")
                                        .arg(m_path, parsed ? QStringLiteral("not an object") : error));
}

QString RBConfig::keptPathFor(const QString& path)
{
    const QFileInfo info(path);
    return platform::suggestFilenameAtPath(info.path() + QLatin1Char('/') + info.completeBaseName()
                                           + QStringLiteral("-unreadable.") + info.suffix());
}

bool RBConfig::save(QString* error)
{
    auto fail = [&](const QString& reason) {
        platform::Log::error(kDomain, QStringLiteral("RBConfig.save error: %1 %2").arg(m_path, reason));
        if (error)
            *error = reason;
        return false;
    };
    const QString text = toJson(m_values ? QJsonValue(*m_values) : QJsonValue(QJsonValue::Null));
    const QFileInfo existing(m_path);
    if (m_keepExistingFile && (existing.exists() || existing.isSymLink())
        && platform::resolvesInside(m_root, existing.path())) {
        // rename(2) moves a link itself, never what it points at.
        const QString kept = keptPathFor(m_path);
        if (std::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(kept).constData()) != 0)
            return fail(QStringLiteral("the unreadable settings file could not be kept as %1").arg(kept));
        platform::Log::warning(kDomain, QStringLiteral("The unreadable settings file %1 was kept as %2").arg(m_path, kept));
        m_keepExistingFile = false;
    }
    QString reason;
    if (!platform::writeFileInside(m_root, m_path, text.toUtf8(), &reason)) {
        const QFileInfo folder(QFileInfo(m_path).path());
        return fail(folder.isDir() && !folder.isWritable() ? QStringLiteral("the folder is not writable") : reason);
    }
    return true;
}

QString RBConfig::toJson(const QJsonValue& value)
{
    if (value.isNull() || value.isUndefined())
        return QStringLiteral("null");
    if (value.isString()) {
        // A string alone is no JSON document: serialise it in an array and cut the brackets.
        const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
        return QString::fromUtf8(text.mid(1, text.size() - 2));
    }
    if (value.isObject())
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Indented));
    if (value.isArray())
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Indented));
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

std::optional<QJsonValue> RBConfig::fromJson(const QString& text, QString* error)
{
    // Wrapped in an array so that any JSON value, not only objects and arrays, parses.
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson("[" + text.toUtf8() + "]", &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray() || document.array().size() != 1) {
        if (error)
            *error = parseError.error != QJsonParseError::NoError ? parseError.errorString() : QStringLiteral("not one JSON value");
        return std::nullopt;
    }
    return document.array().at(0);
}
