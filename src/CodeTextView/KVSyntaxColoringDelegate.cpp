#include "CodeTextView/KVSyntaxColoringDelegate.h"

#include "CodeTextView/KVCodeLayoutManager.h"
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/SyntaxColouring.h"
#include "platform/gui/ColorExtras.h"

QHash<QString, QTextCharFormat> KVSyntaxColoringDelegate::defaultSyntaxColors()
{
    const QList<QPair<QString, QString>> table = {
        {"comment", "626262"},       {"string", "9EE556"},   {"regex", "9EE556"},
        {"format", "C1F888"},        {"number", "AF8EFF"},   {"keyword", "FFC22C"},
        {"boolean", "FFC22C"},       {"constructor", "FFC22C"}, {"key", "FFFFFF"},
        {"property", "6CC4EE"},      {"comprehension", "F95FAA"}, {"function", "F95FAA"},
        {"comparator", "F95FAA"},    {"operator", "F95FAA"},
    };
    QHash<QString, QTextCharFormat> colors;
    for (const auto& [name, hex] : table) {
        QTextCharFormat format;
        format.setForeground(platform::colorWithHexColorString(hex));
        colors.insert(name, format);
    }
    return colors;
}

const QHash<QString, QTextCharFormat>& KVSyntaxColoringDelegate::syntaxColors()
{
    if (m_syntaxColors.isEmpty())
        m_syntaxColors = defaultSyntaxColors();
    return m_syntaxColors;
}

void KVSyntaxColoringDelegate::recolourSyntaxForRange(KVCodeTextView* textView, platform::TextRange range)
{
    if (!textView || !textView->layoutManager())
        return;
    const syntax::ColouredRange coloured = syntax::colourRange(textView->string(), range);
    textView->layoutManager()->setColours(coloured, syntaxColors());
}
