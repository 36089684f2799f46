#include "CodeTextView/TextBuffer.h"

platform::TextRange TextBuffer::lineRange(qsizetype location) const
{
    const qsizetype n = length();
    location = qBound<qsizetype>(0, location, n);
    qsizetype start = location;
    while (start > 0 && characterAt(start - 1) != u'\n')
        --start;
    qsizetype end = location;
    while (end < n && characterAt(end) != u'\n')
        ++end;
    if (end < n)
        ++end;
    return {start, end - start};
}
