#pragma once

#include "welcome/AttributedTitle.h"

#include <QAbstractButton>

#include <optional>

namespace welcome {

enum class SimpleButtonState { Normal, Pressed };

// A flat button: a (rounded) colour face with a title, each with an optional pressed colour.
// It shows the pressed colours while the pointer is held down inside it, and sends `clicked`
// once when released inside.
class SimpleButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SimpleButton(const QRect& frame, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    void setTitle(const QString& title);
    QFont titleFont() const { return m_font; }
    void setTitleFont(const std::optional<QFont>& font);   // none is ignored

    QColor backgroundColor() const { return m_backgroundColor; }
    std::optional<QColor> backgroundColorPressed() const { return m_backgroundColorPressed; }
    QColor titleColor() const { return m_titleColor; }
    std::optional<QColor> titleColorPressed() const { return m_titleColorPressed; }
    void setTitleColor(const std::optional<QColor>& color, SimpleButtonState state);
    void setBackgroundColor(const std::optional<QColor>& color, SimpleButtonState state);

    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);

    SimpleButtonState buttonState() const { return m_state; }
    void setButtonState(SimpleButtonState state);

    // What is drawn now: the face colour and the attributed title.
    QColor layerBackgroundColor() const { return m_layerColor; }
    const AttributedTitle& attributedTitle() const { return m_attributedTitle; }

    void updateLabel(SimpleButtonState state = SimpleButtonState::Normal);
    bool locationInButton(const QPoint& position) const { return rect().contains(position); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyTitle(const QString& title, const QColor& color, const QColor& background, Qt::Alignment alignment);

    QString m_title;
    QColor m_titleColor = Qt::black;
    std::optional<QColor> m_titleColorPressed;
    QFont m_font;
    QColor m_backgroundColor = Qt::white;
    std::optional<QColor> m_backgroundColorPressed;
    SimpleButtonState m_state = SimpleButtonState::Normal;
    QColor m_layerColor = Qt::white;
    double m_cornerRadius = 0;
    AttributedTitle m_attributedTitle;
};

} // namespace welcome
