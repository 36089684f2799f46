#include "platform/CSTaskManagerLineBuffer.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <utility>

namespace {

// The length of the incomplete UTF-8 sequence at the end of the bytes (0 when the bytes end on
// a character boundary). Only a lead byte whose sequence needs more bytes than follow counts;
// stray continuation bytes are left to the decoder, which replaces them.
qsizetype incompleteTailLength(const QByteArray& bytes)
{
    const qsizetype size = bytes.size();
    for (qsizetype back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(bytes[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte: look further back for its lead
        int needed = 1;
        if ((byte & 0xE0) == 0xC0)
            needed = 2;
        else if ((byte & 0xF0) == 0xE0)
            needed = 3;
        else if ((byte & 0xF8) == 0xF0)
            needed = 4;
        return needed > back ? back : 0;
    }
    return 0;
}

} // namespace

QStringList CSTaskManagerLineBuffer::append(const QByteArray& bytes)
{
    QStringList lines;
    if (bytes.isEmpty())
        return lines;
    QByteArray data = std::exchange(m_pendingBytes, QByteArray()) + bytes;
    const qsizetype tail = incompleteTailLength(data);
    if (tail > 0) {
        m_pendingBytes = data.right(tail);
        data.chop(tail);
    }
    m_partial += QString::fromUtf8(data);
    qsizetype start = 0;
    for (qsizetype end = m_partial.indexOf(QLatin1Char('\n')); end >= 0;
         end = m_partial.indexOf(QLatin1Char('\n'), start)) {
        lines.append(m_partial.mid(start, end - start));
        start = end + 1;
    }
    m_partial.remove(0, start);
    return lines;
}

QStringList CSTaskManagerLineBuffer::finish()
{
    QString rest = std::exchange(m_partial, QString()) + QString::fromUtf8(std::exchange(m_pendingBytes, QByteArray()));
    if (rest.isEmpty())
        return {};
    return {rest};
}

std::optional<QJsonObject> messageFromLine(const QString& line)
{
    if (!line.startsWith(QLatin1Char('{')))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}
