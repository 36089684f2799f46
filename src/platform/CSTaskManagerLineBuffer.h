#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

// Turns the bytes of one output stream of a child process into lines. A line may arrive over
// several reads: a partial line, and an incomplete UTF-8 sequence at the end of a read, wait for
// the next read, so long messages and multi-byte characters arrive whole. Bytes that are not
// UTF-8 become U+FFFD; the rest of the read is kept.
class CSTaskManagerLineBuffer {
public:
    // The lines completed by these bytes, without their "\n" (a "\r" before it stays), empty
    // lines included, in order.
    QStringList append(const QByteArray& bytes);
    // At the end of the stream: the text after the last "\n", as a line of its own (none when
    // empty). A sequence cut off by the end of the stream becomes U+FFFD.
    QStringList finish();

private:
    QByteArray m_pendingBytes; // the start of a UTF-8 sequence cut off by the end of a read
    QString m_partial;
};

// A line is a message when its first character is "{" and the whole line parses as a JSON
// object; every other line is plain output.
std::optional<QJsonObject> messageFromLine(const QString& line);
