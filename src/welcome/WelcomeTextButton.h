#pragma once

#include "welcome/AttributedTitle.h"

#include <QAbstractButton>
#include <QImage>

namespace welcome {

// A borderless button whose face is its title: its width follows the title plus a margin
// (kept when the parent resizes), its text is drawn smooth. A checkbox image may sit at its
// left edge, to the left of the title. Sends `clicked` when released inside.
class WelcomeTextButton : public QAbstractButton {
    Q_OBJECT
public:
    struct Style {
        QColor titleColor;
        QColor backgroundColor;
        QFont font;
        Qt::Alignment alignment = Qt::AlignHCenter;
        double kerning = 0;
        double widthMargin = 0;
        QRect checkboxFrame; // empty: no checkbox image
    };

    WelcomeTextButton(const QRect& frame, const QString& title, Style style, QWidget* parent = nullptr);

    void setTitle(const QString& title, const QColor& color, const QColor& backgroundColor);
    void setTitle(const QString& title) { setTitle(title, m_style.titleColor, m_style.backgroundColor); }
    const AttributedTitle& attributedTitle() const { return m_title; }
    // Width = ceiling of the title's width + margin; only the width changes.
    void calculateWidth(double margin);
    double widthMargin() const { return m_style.widthMargin; }

    QImage checkboxImage() const { return m_checkboxImage; }

protected:
    void setCheckboxImage(const QImage& image);
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void watchParent();

    Style m_style;
    AttributedTitle m_title;
    QImage m_checkboxImage;
    QWidget* m_watchedParent = nullptr;
};

} // namespace welcome
