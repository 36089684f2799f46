#pragma once

#include "welcome/AttributedTitle.h"

#include <QWidget>

#include <optional>

namespace welcome {

// A text label drawn with smooth text and letter spacing. It takes no clicks: mouse presses,
// drags and releases go on to the view behind it, and a press there can move the window.
class AntiAliasedLabel : public QWidget {
    Q_OBJECT
public:
    AntiAliasedLabel(const QRect& frame, const QString& title, const QFont& font, const QColor& textColor,
                     const QColor& backgroundColor, Qt::Alignment textAlignment = Qt::AlignHCenter,
                     std::optional<double> letterSpacing = std::nullopt, QWidget* parent = nullptr);

    QFont font() const { return m_font; }
    const AttributedTitle& attributedTitle() const { return m_title; }

    bool mouseDownCanMoveWindow() const { return true; }
    // Without a letter spacing the spacing follows the point size: 0.4 at 12 points, 0.9 at 36.
    void setTitle(const QString& title, const QColor& color, const QColor& backgroundColor = Qt::transparent,
                  Qt::Alignment textAlignment = Qt::AlignHCenter,
                  std::optional<double> letterSpacing = std::nullopt);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QFont m_font;
    AttributedTitle m_title;
};

// Maps `value` from the range of `from` onto the range of `to` (first two entries of each),
// clamped to the target range with `limit`; fewer than two entries give the value itself.
double modulate(double value, const QList<double>& from, const QList<double>& to, bool limit = false);

} // namespace welcome
