#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>

// A text label, wrapped at its width, drawn with smooth text, letter spacing and an optional background:
// the completion description's label. It is a button so that it lays out like one, but it
// never takes the keyboard focus.
class KVAntialiasedLabel : public QAbstractButton {
    Q_OBJECT
public:
    KVAntialiasedLabel(const QString& title, const QFont& font, const QColor& textColor,
                       const QColor& backgroundColor, Qt::Alignment textAlignment, double letterSpacing,
                       QWidget* parent = nullptr);

    bool antiAliasingEnabled() const { return m_antiAliasingEnabled; }
    void setAntiAliasingEnabled(bool enabled);
    QFont labelFont() const { return m_font; }
    void setLabelFont(const QFont& font);

    void setTitle(const QString& title, const QColor& color, const QColor& backgroundColor,
                  Qt::Alignment textAlignment, double letterSpacing);

    QColor textColor() const { return m_textColor; }
    QColor backgroundColor() const { return m_backgroundColor; }
    Qt::Alignment textAlignment() const { return m_alignment; }
    double letterSpacing() const { return m_letterSpacing; }
    // The paragraph metrics of the title: 1.3 and 2 times the font's point size.
    double maximumLineHeight() const;
    double lineSpacing() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void configure();
    QFont titleFont() const;

    bool m_antiAliasingEnabled = true;
    QFont m_font;
    QColor m_textColor = Qt::black;
    QColor m_backgroundColor = Qt::transparent;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    double m_letterSpacing = 0;
};
