#pragma once

#include <QWidget>

// The light-blue frame drawn around a window's content while files are dragged over the
// preview. It lies above everything in the window and lets every event through.
class RBDropBorderOverlay : public QWidget {
    Q_OBJECT
public:
    explicit RBDropBorderOverlay(QWidget* window);

    static QColor borderColor() { return QColor::fromRgbF(0.69f, 0.839f, 1.0f, 1.0f); }
    static constexpr qreal kLineWidth = 4;
    static constexpr qreal kCornerRadius = 3;

protected:
    void paintEvent(QPaintEvent* event) override;
};
