#pragma once

#include <QWidget>

// The bar along the bottom of the import sheets: a faint white over the window, with a grey
// line along its top.
class ImportSheetBottomBar : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};
