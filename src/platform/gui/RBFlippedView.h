#pragma once

#include <QWidget>

// A plain container whose origin is at the top left (as every widget's is here).
class RBFlippedView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    bool isFlipped() const { return true; }
};
