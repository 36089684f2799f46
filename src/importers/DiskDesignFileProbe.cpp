#include "importers/DiskDesignFileProbe.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {
constexpr int kUnzipTimeoutMs = 3000;
constexpr qint64 kMetaLimit = 1 << 20;

QByteArray readHeader(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(size);
}

// The "meta.json" entry of a zip archive, through the system's unzip.
QByteArray zipEntry(const QString& path, const QString& entry)
{
    QProcess unzip;
    unzip.setProcessChannelMode(QProcess::SeparateChannels);
    unzip.start(QStringLiteral("/usr/bin/unzip"), {QStringLiteral("-p"), path, entry});
    if (!unzip.waitForStarted(kUnzipTimeoutMs))
        return {};
    if (!unzip.waitForFinished(kUnzipTimeoutMs)) {
        unzip.kill();
        unzip.waitForFinished(1000);
        return {};
    }
    if (unzip.exitStatus() != QProcess::NormalExit || unzip.exitCode() != 0)
        return {};
    return unzip.readAllStandardOutput().left(kMetaLimit);
}

DesignFileInfo probeSketch(const QString& path, DesignFileInfo info)
{
    const QByteArray header = readHeader(path, 16);
    if (header.startsWith("SQLite format 3")) {
        info.version = QStringLiteral("0");
        info.isDocument = true;
        return info;
    }
    info.problem = QStringLiteral("Not a Sketch file");
    if (!header.startsWith("PK\x03\x04"))
        return info;
    const QJsonDocument meta = QJsonDocument::fromJson(zipEntry(path, QStringLiteral("meta.json")));
    if (!meta.isObject())
        return info;
    const QJsonValue version = meta.object().value(QStringLiteral("appVersion"));
    info.version = version.isString() ? version.toString() : QString();
    info.isDocument = true;
    info.problem.clear();
    return info;
}

DesignFileInfo probePhotoshop(const QString& path, DesignFileInfo info)
{
    const QByteArray header = readHeader(path, 26);
    if (header.size() < 26 || !header.startsWith("8BPS")) {
        info.problem = QStringLiteral("Not a Photoshop file");
        return info;
    }
    const int version = (uchar(header[4]) << 8) | uchar(header[5]);
    if (version != 1 && version != 2) {
        info.problem = QStringLiteral("Not a Photoshop file");
        return info;
    }
    info.version = QString::number(version);
    info.isDocument = true;
    return info;
}
} // namespace

DesignFileInfo DiskDesignFileProbe::probe(const QString& path) const
{
    DesignFileInfo info;
    const QFileInfo file(path);
    info.exists = !path.isEmpty() && file.isFile();
    if (!info.exists) {
        // A pipe or device is never opened: reading it could wait for good.
        info.problem = !path.isEmpty() && file.exists() && !file.isDir() ? QStringLiteral("Not a regular file")
                                                                          : QStringLiteral("File not found");
        return info;
    }
    return m_kind == Kind::Sketch ? probeSketch(path, info) : probePhotoshop(path, info);
}
