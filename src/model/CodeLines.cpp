#include "model/CodeLines.h"

#include "model/TextScanning.h"
#include "platform/TextStorage.h"

#include <algorithm>
#include <cstring>
#include <vector>

using platform::TextRange;

std::atomic<qint64> CodeLines::s_instances{0};

qint64 CodeLines::instances()
{
    return s_instances.load();
}

void CodeLines::setInstances(qint64 value)
{
    s_instances.store(value);
}

CodeLines::CodeLines(const std::optional<QString>& code, bool lazy)
    : m_instanceNr(s_instances.fetch_add(1))
{
    if (!code)
        return;
    if (lazy)
        m_code = *code;
    else
        reset(*code);
}

CodeLines::CodeLines(platform::TextStorage* textStorage)
    : m_instanceNr(s_instances.fetch_add(1))
{
    if (!textStorage)
        return;
    m_observer = platform::NotificationCenter::defaultCenter().addObserver(
        platform::TextStorageDidProcessEditingNotification, textStorage,
        [this](const platform::Notification& notification) { updateFromTextStorage(notification); });
}

CodeLines::CodeLines(const CodeLines& copyFrom)
    : m_instanceNr(s_instances.fetch_add(1))
    , m_code(copyFrom.m_code)
    , m_lines(copyFrom.m_lines)
    , m_words(copyFrom.m_words)
    , m_wordsCounted(copyFrom.m_wordsCounted)
    , m_set(copyFrom.m_set)
{
    if (copyFrom.m_lineIndices) {
        const qint64 count = copyFrom.lineCount();
        m_lineIndices = std::make_unique<qint64[]>(std::max<qint64>(count, 1));
        std::copy_n(copyFrom.m_lineIndices.get(), count, m_lineIndices.get());
        m_lineIndicesMemorySize = copyFrom.m_lineIndicesMemorySize;
        m_lineIndicesAllocatedSize = copyFrom.m_lineIndicesMemorySize;
    }
}

CodeLines::~CodeLines()
{
    if (m_observer)
        platform::NotificationCenter::defaultCenter().removeObserver(m_observer);
}

QString CodeLines::code() const
{
    return m_code;
}

const QStringList& CodeLines::lines() const
{
    return m_lines;
}

const QHash<QString, qint64>& CodeLines::words() const
{
    if (!m_wordsCounted) {
        m_wordsCounted = true;
        for (const QString& line : m_lines)
            addWords(line);
    }
    return m_words;
}

QList<qint64> CodeLines::lineStarts() const
{
    QList<qint64> starts;
    starts.reserve(lineCount());
    for (qint64 i = 0; i < lineCount(); ++i)
        starts.append(m_lineIndices[i]);
    return starts;
}

void CodeLines::reset(const QString& text)
{
    build(text);
}

void CodeLines::build(const QString& text)
{
    m_code = text;
    m_lines.clear();
    m_words.clear();
    m_wordsCounted = false;
    m_lines.reserve(text.count(QLatin1Char('\n')) + 1);
    std::vector<qint64> starts;
    starts.reserve(size_t(m_lines.capacity()));
    textscan::enumerateLines(text, 0, text.size(), [&](qsizetype start, qsizetype length) {
        starts.push_back(start);
        m_lines.append(text.mid(start, length));
    });
    if (text.isEmpty() || textscan::isNewlineSetCharacter(text.back().unicode())) {
        starts.push_back(text.size());
        m_lines.append(QString());
    }
    const qint64 bytes = qint64(starts.size()) * INT_SIZE;
    m_lineIndices = std::make_unique<qint64[]>((bytes + BUFFER_BLOCK_SIZE) / INT_SIZE);
    std::copy(starts.begin(), starts.end(), m_lineIndices.get());
    m_lineIndicesMemorySize = bytes;
    m_lineIndicesAllocatedSize = bytes + BUFFER_BLOCK_SIZE;
    m_set = true;
}

void CodeLines::ensureBuilt()
{
    if (!m_set || m_lines.isEmpty())
        reset(code());
}

void CodeLines::ensureCapacity(qint64 bytes)
{
    if (m_lineIndicesAllocatedSize >= bytes)
        return;
    const qint64 allocated = bytes + BUFFER_BLOCK_SIZE;
    auto grown = std::make_unique<qint64[]>(allocated / INT_SIZE);
    std::copy_n(m_lineIndices.get(), lineCount(), grown.get());
    m_lineIndices = std::move(grown);
    m_lineIndicesAllocatedSize = allocated;
}

void CodeLines::updateFrom(const QString& text, TextRange range, qint64 changeInLength)
{
    if (!m_set || m_lines.isEmpty()) {
        reset(text);
        return;
    }
    const qint64 delta = changeInLength;
    const qint64 newLength = text.size();
    const qint64 oldLength = m_code.size();
    // A report that does not describe an edit of the current text cannot be applied line by
    // line; a full index of the new text is always right.
    if (range.location < 0 || range.length < 0 || range.location > newLength
        || range.length > newLength - range.location || newLength - delta != oldLength
        || range.length - delta < 0) {
        build(text);
        return;
    }
    m_code = text;

    const qint64 oldCount = lineCount();
    const LineIndex start = lineIndex(range.location + std::min<qint64>(delta, 0));
    qint64 startLine = start.line;
    qint64 startOffset = start.character;
    // The old start of the first touched line must still start a line: a line feed typed right
    // after a lone CR joins it into one CR LF, and a character typed after a trailing form feed
    // extends the line before it. Rescan from the line before then.
    while (startLine > 0 && !textscan::isLineStart(text, startOffset)) {
        --startLine;
        startOffset = startOf(startLine);
    }
    const qint64 endLine = lineIndex(range.location + range.length - delta).line;
    const bool endsAtLastLine = endLine >= oldCount - 1;
    const qint64 rescanEnd = endsAtLastLine ? newLength : startOf(endLine + 1) + delta;

    QStringList collected;
    std::vector<qint64> collectedStarts;
    textscan::enumerateLines(text, startOffset, rescanEnd, [&](qsizetype lineStart, qsizetype length) {
        collectedStarts.push_back(lineStart);
        collected.append(text.mid(lineStart, length));
    });
    if (endsAtLastLine && (text.isEmpty() || textscan::isNewlineSetCharacter(text.back().unicode()))) {
        collectedStarts.push_back(newLength);
        collected.append(QString());
    }

    for (qint64 line = startLine; line <= endLine; ++line)
        removeWords(m_lines.at(line));
    const qint64 removed = endLine - startLine + 1;
    const qint64 added = qint64(collected.size());
    if (removed == added) {
        for (qint64 i = 0; i < added; ++i)
            m_lines[startLine + i] = collected.at(i);
    } else {
        m_lines.erase(m_lines.begin() + startLine, m_lines.begin() + endLine + 1);
        m_lines.insert(startLine, added, QString());
        for (qint64 i = 0; i < added; ++i)
            m_lines[startLine + i] = collected.at(i);
    }
    for (const QString& line : std::as_const(collected))
        addWords(line);

    const qint64 newCount = oldCount - removed + added;
    ensureCapacity(newCount * INT_SIZE);
    const qint64 tail = oldCount - (endLine + 1);
    if (removed != added && tail > 0)
        std::memmove(m_lineIndices.get() + startLine + added, m_lineIndices.get() + endLine + 1,
                     size_t(tail) * sizeof(qint64));
    m_lineIndicesMemorySize = newCount * INT_SIZE;
    std::copy(collectedStarts.begin(), collectedStarts.end(), m_lineIndices.get() + startLine);
    for (qint64 i = startLine + added; i < newCount; ++i)
        m_lineIndices[i] += delta;
}

LineIndex CodeLines::lineIndex(qint64 offset)
{
    ensureBuilt();
    if (m_lines.isEmpty())
        return {};
    const qint64* begin = m_lineIndices.get();
    const qint64* end = begin + lineCount();
    const qint64* after = std::upper_bound(begin, end, offset);
    if (after == begin)
        return {0, 0};
    const qint64 line = qint64(after - begin) - 1;
    return {line, begin[line]};
}

qint64 CodeLines::lineIndexOnlyLine(qint64 offset)
{
    return lineIndex(offset).line;
}

qint64 CodeLines::lineIndexOnlyCharacter(qint64 offset)
{
    return lineIndex(offset).character;
}

LocationPtr CodeLines::locationForCharacterLocation(qint64 offset)
{
    auto location = Location::from();
    if (offset < 0)
        return location;
    const LineIndex index = lineIndex(offset);
    location->fromPosition(index.line, offset - index.character);
    return location;
}

qint64 CodeLines::locationForLine(qint64 line)
{
    ensureBuilt();
    return startOf(std::clamp<qint64>(line, 0, lineCount() - 1));
}

TextRange CodeLines::locationToRange(const Location& location)
{
    const qint64 start = locationForLine(location.firstLine()) + location.firstColumn();
    const qint64 end = locationForLine(location.lastLine()) + location.lastColumn();
    return {qsizetype(start), qsizetype(end - start)};
}

TextRange CodeLines::locationToFullLinesRange(const Location& location)
{
    const qint64 first = locationForLine(location.firstLine());
    const qint64 lastLine = std::clamp<qint64>(location.lastLine(), 0, lineCount() - 1);
    const qint64 last = locationForLine(lastLine);
    return {qsizetype(first), qsizetype(last - first + m_lines.at(lastLine).size())};
}

void CodeLines::updateFromTextStorage(const platform::Notification& notification)
{
    auto* storage = qobject_cast<platform::TextStorage*>(notification.object);
    if (!storage || !(storage->editedMask() & platform::TextStorage::EditedCharacters))
        return;
    const QString text = storage->string();
    updateFrom(text, storage->editedRange(), storage->changeInLength());
}

void CodeLines::addWords(QStringView line) const
{
    if (!m_wordsCounted)
        return;
    textscan::forEachWord(line, [this](QStringView word) { ++m_words[word.toString()]; });
}

void CodeLines::removeWords(QStringView line)
{
    if (!m_wordsCounted)
        return;
    textscan::forEachWord(line, [this](QStringView word) {
        const auto it = m_words.find(word.toString());
        if (it == m_words.end())
            return;
        if (*it >= 2)
            --*it;
        else
            m_words.erase(it);
    });
}
