#include "document/RBConfig.h"

#include "platform/FileUtils.h"
#include "platform/Log.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace {
const QString kDomain = QStringLiteral("RBConfig");
}

RBConfig::RBConfig(QString path)
    : m_path(std::move(path))
{
    load();
}

void RBConfig::load()
{
    m_keepExistingFile = false;
    bool readable = false;
    const QString text = platform::readTextFile(m_path, &readable);
    if (!readable) {
        m_values = QJsonObject();
        // A file that exists but cannot be read is still the user's: keep it aside on save.
        m_keepExistingFile = QFileInfo::exists(m_path);
        return;
    }
    QString error;
    const std::optional<QJsonValue> parsed = fromJson(text, &error);
    if (parsed && parsed->isObject()) {
        m_values = parsed->toObject();
        return;
    }
    m_values.reset();
    m_keepExistingFile = true;
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
    if (m_keepExistingFile && QFileInfo::exists(m_path)) {
        const QString kept = keptPathFor(m_path);
        if (!QFile::rename(m_path, kept))
            return fail(QStringLiteral("the unreadable settings file could not be kept as %1").arg(kept));
        platform::Log::warning(kDomain, QStringLiteral("The unreadable settings file %1 was kept as %2").arg(m_path, kept));
        m_keepExistingFile = false;
    }
    QString reason;
    if (!platform::writeTextAtomically(m_path, text, &reason)) {
        const bool folderWritable = QFileInfo(QFileInfo(m_path).path()).isWritable();
        return fail(!folderWritable     ? QStringLiteral("the folder is missing or not writable")
                    : reason.isEmpty() ? QStringLiteral("the file could not be written")
                                       : reason);
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
