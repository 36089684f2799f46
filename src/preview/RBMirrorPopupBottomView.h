#pragma once

#include <QWidget>

// The bottom strip of the mirror popup: white, with a one-point separator line along its top.
class RBMirrorPopupBottomView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    bool isOpaque() const { return true; }
    bool allowsVibrancy() const { return false; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
