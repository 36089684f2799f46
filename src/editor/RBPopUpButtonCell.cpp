#include "editor/RBPopUpButtonCell.h"

#include <QStyleOptionButton>
#include <QStylePainter>

RBPopUpButtonCell::RBPopUpButtonCell(QWidget* parent) : QPushButton(parent) {}

void RBPopUpButtonCell::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.palette.setColor(QPalette::ButtonText, Qt::white);
    option.palette.setColor(QPalette::WindowText, Qt::white);
    painter.drawControl(QStyle::CE_PushButton, option);
}
