#include "document/window/RBSplitView.h"

#include "document/window/RBSplitViewDelegate.h"

#include <QColor>
#include <QMouseEvent>
#include <QPalette>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
QWidget* makePane()
{
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return pane;
}
} // namespace

RBSplitView::RBSplitView(QWidget* parent)
    : QSplitter(Qt::Horizontal, parent)
    , m_first(makePane())
    , m_last(makePane())
{
    // No visible divider; the split view's colour shows where no pane covers it.
    setHandleWidth(0);
    setChildrenCollapsible(false);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor::fromRgbF(0.11f, 0.12f, 0.15f));
    setPalette(palette);
    addWidget(m_first);
    addWidget(m_last);
}

RBSplitView::~RBSplitView()
{
    if (m_animation)
        m_animation->stop();
}

QSplitterHandle* RBSplitView::createHandle()
{
    return new RBSplitViewHandle(orientation(), this);
}

double RBSplitView::splitPosition() const
{
    if (!m_laidOut)
        return m_position;
    const QRect frame = m_first->geometry();
    return frame.x() + frame.width();
}

double RBSplitView::maxPossiblePositionOfDivider() const
{
    const double max = m_delegate ? m_delegate->constrainMaxCoordinate(const_cast<RBSplitView*>(this), width(), 0) : width();
    return std::min<double>(max, width());
}

double RBSplitView::minPossiblePositionOfDivider() const
{
    return m_delegate ? m_delegate->constrainMinCoordinate(const_cast<RBSplitView*>(this), 0, 0) : 0;
}

void RBSplitView::setSplitPosition(double position, bool animated)
{
    if (m_animation) {
        m_animation->stop();
        delete m_animation.data();
    }
    if (!animated) {
        setPosition(position);
        return;
    }
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(splitPosition());
    animation->setEndValue(position);
    animation->setDuration(150);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) { setPosition(value.toDouble()); });
    connect(animation, &QVariantAnimation::finished, this, [this, animation] {
        animation->deleteLater();
        Q_EMIT animationFinished();
    });
    m_animation = animation;
    animation->start();
}

bool RBSplitView::isAnimating() const
{
    return m_animation && m_animation->state() == QAbstractAnimation::Running;
}

void RBSplitView::dragDividerTo(double proposed)
{
    double position = proposed;
    if (m_delegate) {
        position = m_delegate->constrainSplitPosition(this, proposed, 0);
        const double min = m_delegate->constrainMinCoordinate(this, proposed, 0);
        const double max = m_delegate->constrainMaxCoordinate(this, proposed, 0);
        // The least width wins when the split view is too narrow for both limits.
        position = std::max(min, std::min(position, max));
    }
    setPosition(position);
    Q_EMIT splitterMoved(int(splitPosition()), 1);
}

void RBSplitView::setPosition(double position)
{
    // Kept as asked until the split view has its size; the panes never reach past it.
    m_position = std::max(0.0, position);
    m_positionSet = true;
    if (!m_laidOut)
        return;
    const int total = std::max(0, width());
    const int first = int(std::lround(std::min(m_position, double(total))));
    setSizes({first, total - first});
}

void RBSplitView::resizeEvent(QResizeEvent* event)
{
    const QSize old = event->oldSize();
    if (!m_laidOut || !old.isValid() || old.width() <= 0 || !m_delegate) {
        QSplitter::resizeEvent(event);
        if (!m_laidOut && width() > 0) {
            // The first layout takes the position asked for so far (or shares evenly).
            m_laidOut = true;
            setPosition(m_positionSet ? m_position : std::floor(width() / 2.0));
        }
        return;
    }
    if (old.width() == width()) {
        QSplitter::resizeEvent(event);
        return;
    }
    if (!m_delegate->resizeSubviewsWithOldSize(this, old)) {
        QSplitter::resizeEvent(event);
    }
}

RBSplitViewHandle::RBSplitViewHandle(Qt::Orientation orientation, RBSplitView* parent)
    : QSplitterHandle(orientation, parent)
    , m_splitView(parent)
{
}

void RBSplitViewHandle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QSplitterHandle::mousePressEvent(event);
    m_dragging = true;
    const double pointer = m_splitView->mapFromGlobal(event->globalPosition()).x();
    m_pressOffset = pointer - m_splitView->splitPosition();
    event->accept();
}

void RBSplitViewHandle::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return QSplitterHandle::mouseMoveEvent(event);
    const double pointer = m_splitView->mapFromGlobal(event->globalPosition()).x();
    m_splitView->dragDividerTo(pointer - m_pressOffset);
    event->accept();
}

void RBSplitViewHandle::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return QSplitterHandle::mouseReleaseEvent(event);
    m_dragging = false;
    event->accept();
}
