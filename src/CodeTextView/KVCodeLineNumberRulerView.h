#pragma once

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QWidget>

class KVCodeTextView;

// The line-number column at the left of the editor: the numbers of the visible lines, those
// with an error marker in the error colour. Only visible lines are drawn; their geometry comes
// from the text view's layout.
//
// The column is `defaultWidth` wide, or wider when the number of the last line would not fit
// in it whole with the font as it is really drawn (the font asked for may be substituted, and
// the screen decides its size in pixels). It grows and shrinks as lines come and go.
class KVCodeLineNumberRulerView : public QWidget {
    Q_OBJECT
public:
    explicit KVCodeLineNumberRulerView(KVCodeTextView* textView);

    KVCodeTextView* textView() const { return m_textView; }

    qreal margin() const { return m_margin; }
    void setMargin(qreal margin);
    // The narrowest the column gets; short programs show it at exactly this width.
    qreal defaultWidth() const { return m_defaultWidth; }
    void setDefaultWidth(qreal width);
    QFont rulerFont() const { return m_font; }
    void setRulerFont(const QFont& font);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& c) { m_backgroundColor = c; update(); }
    QColor fontColor() const { return m_fontColor; }
    void setFontColor(const QColor& c) { m_fontColor = c; update(); }
    QColor fontErrorColor() const { return m_fontErrorColor; }
    void setFontErrorColor(const QColor& c) { m_fontErrorColor = c; update(); }
    // The column's width now: `defaultWidth`, or what the widest line number needs.
    qreal requiredThickness() const { return m_thickness; }
    // The width the column needs for numbers up to `lastLineNumber` in the ruler font.
    qreal thicknessForLastLineNumber(qsizetype lastLineNumber) const;

    // Whether line index i (0-based) carries an error marker.
    bool isErrorLine(qsizetype lineIndex) const;

    void reset();
    void handleTextContentViewBoundsDidChange();
    void handleTextViewFrameDidChange();
    void handleTextDidChange();
    // Places the ruler beside the text view's viewport.
    void updateGeometryFromTextView();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Recomputes the width for the text's last line number and moves the text aside when it changed.
    void updateThickness();

    QPointer<KVCodeTextView> m_textView;
    qreal m_margin = 3.0;
    qreal m_defaultWidth = 40.0;
    qreal m_thickness = 40.0;
    QFont m_font;
    QColor m_backgroundColor;
    QColor m_fontColor;
    QColor m_fontErrorColor;
};
