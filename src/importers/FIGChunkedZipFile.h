#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

class QTemporaryFile;

// Collects the zip archive that the Figma export page sends as base64 chunks: an announcement
// of the number of chunks, the chunks in order, then the commit. The decoded bytes go to a
// temporary file as they arrive, so the page can make the application hold one chunk at a time
// at most, and never more than the limits in all.
//
// A transfer is refused, and what it collected discarded, when the announced count is outside
// 1...maxChunks, a chunk comes without an announcement or beyond the announced count, a chunk
// decodes to more than maxChunkBytes, the whole would pass maxTotalBytes, the temporary file
// cannot be written, or the commit comes before every announced chunk has arrived.
class FIGChunkedZipFile {
public:
    struct Limits {
        qint64 maxChunks = 100000;
        qint64 maxChunkBytes = qint64(16) << 20; // decoded
        qint64 maxTotalBytes = qint64(1) << 30;  // the safe unzip's limit for the unpacked whole
    };

    // Temporary files are made in `folder` (the system's temporary folder when empty).
    explicit FIGChunkedZipFile(const QString& folder = QString());
    FIGChunkedZipFile(const QString& folder, Limits limits);
    ~FIGChunkedZipFile();
    FIGChunkedZipFile(const FIGChunkedZipFile&) = delete;
    FIGChunkedZipFile& operator=(const FIGChunkedZipFile&) = delete;

    // Begins a transfer of that many chunks, discarding one under way.
    bool setExpectedChunks(qint64 count, QString* error);
    // Decodes standard base64 text (characters outside the alphabet are skipped) and appends it.
    bool appendChunk(const QString& base64, QString* error);
    // Ends a complete transfer: the archive's path, a file that is now the caller's to remove.
    // An empty path and the reason when the transfer is incomplete or none is under way.
    QString commit(QString* error);
    // Discards the transfer under way, if any.
    void reset();

    const Limits& limits() const { return m_limits; }
    bool isTransferring() const { return bool(m_file); }
    qint64 expectedChunks() const { return m_expectedChunks; }
    qint64 receivedChunks() const { return m_receivedChunks; }
    qint64 receivedBytes() const { return m_receivedBytes; }
    // Received ÷ expected (0 without a transfer).
    double progress() const;

private:
    bool fail(const QString& reason, QString* error);

    QString m_folder;
    Limits m_limits;
    std::unique_ptr<QTemporaryFile> m_file;
    qint64 m_expectedChunks = 0;
    qint64 m_receivedChunks = 0;
    qint64 m_receivedBytes = 0;
};
