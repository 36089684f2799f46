#include "completion/CaseInsensitivePrefixMatcher.h"

#include <QTextBoundaryFinder>

namespace {

bool isAscii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

QString decomposed(const QString& text)
{
    return isAscii(text) ? text : text.normalized(QString::NormalizationForm_D);
}

} // namespace

bool CaseInsensitivePrefixMatcher::matchEntry(const QString& entry, Completion& completion) const
{
    const QString text = decomposed(completion.text);
    const QString typed = decomposed(entry);
    if (!text.toLower().startsWith(typed.toLower()))
        return false;
    completion.literalMatch = text.startsWith(typed);
    return true;
}

qsizetype graphemeCount(const QString& text)
{
    if (isAscii(text))
        return text.size();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}
