#pragma once

#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

// A white veil over a view that flashes and fades out: the editor's answer when there is no
// code to scroll to. It takes no mouse input and is invisible between flashes.
class BlinkVeil : public QWidget {
    Q_OBJECT
public:
    explicit BlinkVeil(QWidget* parent);

    // Covers the parent and fades from `from` to 0 over `seconds`.
    void flash(double from = 0.95, double seconds = 0.2);
    double opacity() const { return m_opacity; }
    bool isFlashing() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_opacity = 0;
    QPointer<QVariantAnimation> m_animation;
};
