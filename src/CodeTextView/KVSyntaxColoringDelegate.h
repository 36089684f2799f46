#pragma once

#include "CodeTextView/KVSyntaxColouringDelegate.h"

#include <QHash>
#include <QTextCharFormat>

// The CoffeeScript colouring: the passes of syntax::colourRange set as display colours of the
// text view's layout, never as attributes of the text.
class KVSyntaxColoringDelegate : public KVSyntaxColouringDelegate {
public:
    void recolourSyntaxForRange(KVCodeTextView* textView, platform::TextRange range) override;

    // Category name -> display format (foreground colour). Built with the default table on
    // first use when unset.
    const QHash<QString, QTextCharFormat>& syntaxColors();
    void setSyntaxColors(QHash<QString, QTextCharFormat> colors) { m_syntaxColors = std::move(colors); }

    static QHash<QString, QTextCharFormat> defaultSyntaxColors();

private:
    QHash<QString, QTextCharFormat> m_syntaxColors;
};
