#include "CodeTextView/DoubleClickSelection.h"

namespace typing {

namespace {

const QString kOpeners = QStringLiteral("([{<");
const QString kClosers = QStringLiteral(")]}>");

bool isSeparator(QChar c)
{
    return c == u'.' || c == u':';
}

} // namespace

DoubleClickSelection doubleClickSelection(const TextBuffer& b, qsizetype c, platform::TextRange word)
{
    const QChar ch = b.characterAt(c);
    const qsizetype opener = kOpeners.indexOf(ch);
    const qsizetype closer = kClosers.indexOf(ch);
    if (opener >= 0 || closer >= 0) {
        const bool forward = opener >= 0;
        const QChar same = ch;
        const QChar partner = forward ? kClosers.at(opener) : kOpeners.at(closer);
        qsizetype depth = 0;
        for (qsizetype i = forward ? c + 1 : c - 1; forward ? i < b.length() : i >= 0;
             forward ? ++i : --i) {
            const QChar x = b.characterAt(i);
            if (x == same) {
                ++depth;
            } else if (x == partner) {
                if (depth == 0)
                    return {forward ? platform::TextRange{c, i - c + 1}
                                    : platform::TextRange{i, c - i + 1},
                            false};
                --depth;
            }
        }
        return {{c, 1}, true};
    }

    qsizetype start = -1;
    for (qsizetype i = c - 1; i >= word.location; --i) {
        if (isSeparator(b.characterAt(i))) {
            start = i + 1;
            break;
        }
    }
    qsizetype end = -1;
    for (qsizetype i = c + 1; i < word.end(); ++i) {
        if (isSeparator(b.characterAt(i))) {
            end = i;
            break;
        }
    }
    if (start < 0 && end < 0)
        return {word, false};
    if (start < 0)
        start = word.location;
    if (end < 0)
        end = word.end();
    return {{start, end - start}, false};
}

} // namespace typing
