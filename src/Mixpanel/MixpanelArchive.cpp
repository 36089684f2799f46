#include "Mixpanel/MixpanelArchive.h"

#include "platform/FileUtils.h"
#include "platform/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

bool writeArchive(const QString& path, const QJsonValue& value)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        platform::Log::warning(QStringLiteral("analytics"),
                               QStringLiteral("Cannot create the folder of %1").arg(path));
        return false;
    }
    const QJsonDocument document = value.isObject() ? QJsonDocument(value.toObject())
                                                    : QJsonDocument(value.toArray());
    if (!platform::writeFileAtomically(path, document.toJson(QJsonDocument::Compact))) {
        platform::Log::warning(QStringLiteral("analytics"), QStringLiteral("Cannot write %1").arg(path));
        return false;
    }
    return true;
}

std::optional<QJsonValue> takeArchive(const QString& path, bool expectObject)
{
    if (!QFileInfo::exists(path))
        return std::nullopt;
    bool ok = false;
    const QByteArray bytes = platform::readFile(path, &ok);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    const bool wellFormed = ok && error.error == QJsonParseError::NoError
        && (expectObject ? document.isObject() : document.isArray());
    if (!wellFormed) {
        const QString aside = platform::suggestFilenameAtPath(path + QStringLiteral(".unreadable"));
        QFile::rename(path, aside);
        platform::Log::warning(QStringLiteral("analytics"),
                               QStringLiteral("Unreadable analytics archive %1 kept as %2; starting empty")
                                   .arg(path, aside));
        return std::nullopt;
    }
    QFile::remove(path);
    if (expectObject)
        return QJsonValue(document.object());
    return QJsonValue(document.array());
}
