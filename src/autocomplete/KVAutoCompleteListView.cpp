#include "autocomplete/KVAutoCompleteListView.h"

#include "autocomplete/KVAutoCompleteTableViewController.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

KVAutoCompleteListView::KVAutoCompleteListView(KVAutoCompleteTableViewController* dataSource, QWidget* parent)
    : QAbstractScrollArea(parent), m_dataSource(dataSource)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    viewport()->setFocusPolicy(Qt::NoFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
}

void KVAutoCompleteListView::reloadData()
{
    updateScrollRange();
    viewport()->update();
}

void KVAutoCompleteListView::updateScrollRange()
{
    const double rowHeight = m_dataSource->rowHeight();
    const double content = rowHeight * m_dataSource->numberOfRows();
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, int(std::max(0.0, std::ceil(content - viewport()->height()))));
    bar->setPageStep(viewport()->height());
    bar->setSingleStep(int(rowHeight));
}

int KVAutoCompleteListView::rowAtPoint(const QPoint& viewportPoint) const
{
    const double rowHeight = m_dataSource->rowHeight();
    if (rowHeight <= 0)
        return -1;
    const int row = int(std::floor((viewportPoint.y() + contentTop()) / rowHeight));
    return row >= 0 && row < m_dataSource->numberOfRows() ? row : -1;
}

double KVAutoCompleteListView::contentTop() const
{
    return verticalScrollBar()->value();
}

void KVAutoCompleteListView::scrollContentTo(double top)
{
    verticalScrollBar()->setValue(int(std::round(top)));
    viewport()->update();
}

void KVAutoCompleteListView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const double rowHeight = m_dataSource->rowHeight();
    const int rows = m_dataSource->numberOfRows();
    const double top = contentTop();
    const QRect dirty = event->rect();
    m_dataSource->fillBackground(painter, QRectF(viewport()->rect()));
    if (rowHeight > 0) {
        const int first = std::max(0, int(std::floor((dirty.top() + top) / rowHeight)));
        const int last = std::min(rows - 1, int(std::floor((dirty.bottom() + top) / rowHeight)));
        for (int row = first; row <= last; ++row)
            m_dataSource->drawRow(painter, row, QRectF(0, row * rowHeight - top, viewport()->width(), rowHeight));
    }
    // The overlay knob of a list longer than the window.
    const double content = rowHeight * rows;
    const double visible = viewport()->height();
    if (content > visible && visible > 0) {
        const double knob = std::max(12.0, visible * visible / content);
        const double y = (visible - knob) * top / std::max(1.0, content - visible);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 60));
        painter.drawRoundedRect(QRectF(viewport()->width() - 5, y + 2, 3, knob - 4), 1.5, 1.5);
    }
}

void KVAutoCompleteListView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void KVAutoCompleteListView::mousePressEvent(QMouseEvent* event)
{
    m_pressedRow = event->button() == Qt::LeftButton ? rowAtPoint(event->position().toPoint()) : -1;
    if (m_pressedRow >= 0)
        m_dataSource->selectRow(m_pressedRow);
    event->accept();
}

void KVAutoCompleteListView::mouseReleaseEvent(QMouseEvent* event)
{
    const int row = rowAtPoint(event->position().toPoint());
    const bool clicked = event->button() == Qt::LeftButton && row >= 0 && row == m_pressedRow;
    m_pressedRow = -1;
    event->accept();
    if (clicked)
        m_dataSource->clickItem();
}
