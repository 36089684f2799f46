#pragma once

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

class QVariantAnimation;

// A small busy indicator: the image "spinner" turning one full turn clockwise every 1.2 s,
// easing in and out, for as long as the widget exists. It ignores clicks, so a button it sits
// on cannot be pressed through it.
class CSSpinningProgressIndicator : public QWidget {
    Q_OBJECT
public:
    explicit CSSpinningProgressIndicator(QWidget* parent = nullptr);
    explicit CSSpinningProgressIndicator(const QRect& frame, QWidget* parent = nullptr);

    // Makes the image layer when it is missing (sized to the widget as it is now) and starts the
    // turning when nothing turns it yet; a running turn is never restarted.
    void setup();

    void setVisible(bool visible) override;

    // The turning image's place in the widget: fixed at the first setup.
    QRect imageLayerRect() const { return m_layerRect; }
    // How many turnings run on the layer (one, or none before the first setup).
    int animationCount() const;
    // The current angle in degrees, from 0 down to -360.
    double rotation() const { return m_rotation; }

    // The image "spinner": a ring of twelve spokes fading round, drawn at twice its size.
    static QImage spinnerImage(int points);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage m_image;
    QRect m_layerRect;
    bool m_hasLayer = false;
    QPointer<QVariantAnimation> m_animation;
    double m_rotation = 0;
};
