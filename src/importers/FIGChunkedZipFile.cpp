#include "importers/FIGChunkedZipFile.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryFile>

namespace {
QString sizeText(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 0, QLocale::DataSizeTraditionalFormat);
}
} // namespace

FIGChunkedZipFile::FIGChunkedZipFile(const QString& folder)
    : FIGChunkedZipFile(folder, Limits())
{
}

FIGChunkedZipFile::FIGChunkedZipFile(const QString& folder, Limits limits)
    : m_folder(folder.isEmpty() ? QDir::tempPath() : folder)
    , m_limits(limits)
{
}

FIGChunkedZipFile::~FIGChunkedZipFile() = default;

void FIGChunkedZipFile::reset()
{
    m_file.reset(); // removes the temporary file
    m_expectedChunks = m_receivedChunks = m_receivedBytes = 0;
}

bool FIGChunkedZipFile::fail(const QString& reason, QString* error)
{
    reset();
    if (error)
        *error = reason;
    return false;
}

double FIGChunkedZipFile::progress() const
{
    return m_expectedChunks > 0 ? double(m_receivedChunks) / double(m_expectedChunks) : 0.0;
}

bool FIGChunkedZipFile::setExpectedChunks(qint64 count, QString* error)
{
    reset();
    if (count < 1 || count > m_limits.maxChunks)
        return fail(QStringLiteral("The Figma page announced %1 chunks; a transfer has 1 to %2.").arg(count).arg(m_limits.maxChunks), error);
    auto file = std::make_unique<QTemporaryFile>(m_folder + QStringLiteral("/figma-export-XXXXXX.zip"));
    if (!file->open())
        return fail(QStringLiteral("No temporary file could be made for the Figma export: %1").arg(file->errorString()), error);
    m_file = std::move(file);
    m_expectedChunks = count;
    return true;
}

bool FIGChunkedZipFile::appendChunk(const QString& base64, QString* error)
{
    if (!m_file)
        return fail(QStringLiteral("The Figma page sent a chunk without announcing a transfer."), error);
    if (m_receivedChunks >= m_expectedChunks)
        return fail(QStringLiteral("The Figma page sent more chunks than the %1 it announced.").arg(m_expectedChunks), error);
    // Four characters carry three bytes: a text this long is not decoded at all.
    const bool tooLong = qint64(base64.size()) / 4 * 3 > m_limits.maxChunkBytes + 3;
    const QByteArray bytes = tooLong ? QByteArray() : QByteArray::fromBase64(base64.toLatin1());
    if (tooLong || bytes.size() > m_limits.maxChunkBytes)
        return fail(QStringLiteral("The Figma page sent a chunk larger than %1.").arg(sizeText(m_limits.maxChunkBytes)), error);
    if (m_receivedBytes + bytes.size() > m_limits.maxTotalBytes)
        return fail(QStringLiteral("The Figma export is larger than %1.").arg(sizeText(m_limits.maxTotalBytes)), error);
    if (m_file->write(bytes) != bytes.size())
        return fail(QStringLiteral("The Figma export could not be written: %1").arg(m_file->errorString()), error);
    ++m_receivedChunks;
    m_receivedBytes += bytes.size();
    return true;
}

QString FIGChunkedZipFile::commit(QString* error)
{
    if (!m_file) {
        fail(QStringLiteral("The Figma page ended a transfer it never announced."), error);
        return {};
    }
    if (m_receivedChunks < m_expectedChunks) {
        fail(QStringLiteral("The Figma export ended after %1 of the %2 chunks it announced.").arg(m_receivedChunks).arg(m_expectedChunks),
             error);
        return {};
    }
    if (!m_file->flush()) {
        fail(QStringLiteral("The Figma export could not be written: %1").arg(m_file->errorString()), error);
        return {};
    }
    m_file->setAutoRemove(false);
    const QString path = m_file->fileName();
    m_file->close();
    reset();
    return path;
}
