#pragma once

#include <QPushButton>

// A pop-up button for dark toolbars: the platform's drawing with the title in white.
class RBPopUpButtonCell : public QPushButton {
    Q_OBJECT
public:
    explicit RBPopUpButtonCell(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
