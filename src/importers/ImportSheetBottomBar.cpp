#include "importers/ImportSheetBottomBar.h"

#include <QPainter>

void ImportSheetBottomBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(255, 255, 255, 51));
    p.fillRect(QRect(0, 0, width(), 1), QColor::fromRgbF(0.77, 0.77, 0.77));
}
