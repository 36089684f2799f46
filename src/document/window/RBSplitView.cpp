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
QWidget* makePane(QWidget* parent)
{
    auto* pane = new QWidget(parent);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return pane;
}
} // namespace

RBSplitView::RBSplitView(QWidget* parent)
    : QWidget(parent)
    , m_first(makePane(this))
    , m_last(makePane(this))
    , m_handle(new QWidget(this))
{
    // Where no pane covers the split view, the divider colour shows.
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor::fromRgbF(0.11f, 0.12f, 0.15f));
    setPalette(palette);
    m_handle->setCursor(Qt::SplitHCursor);
    m_handle->setAttribute(Qt::WA_NoSystemBackground);
    m_handle->installEventFilter(this);
    m_handle->raise();
}

RBSplitView::~RBSplitView()
{
    if (m_animation)
        m_animation->stop();
}

double RBSplitView::splitPosition() const
{
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
    animation->setStartValue(m_position);
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
}

void RBSplitView::setPosition(double position)
{
    // Kept as asked until the split view has its size; the panes never reach past it.
    m_position = std::max(0.0, position);
    if (m_laidOut)
        m_position = std::min(m_position, double(std::max(0, width())));
    m_positionSet = true;
    placePanes();
    Q_EMIT splitPositionChanged(m_position);
}

void RBSplitView::placePanes()
{
    const int x = int(std::lround(std::min(m_position, double(std::max(0, width())))));
    m_first->setGeometry(0, 0, x, height());
    m_last->setGeometry(x, 0, std::max(0, width() - x), height());
    placeHandle();
}

void RBSplitView::placeHandle()
{
    const int x = m_first->geometry().right() + 1;
    m_handle->setGeometry(x - kGrabMargin, 0, 2 * kGrabMargin, height());
    m_handle->raise();
}

void RBSplitView::resizeSubviewsWithOldSize(QSize oldSize)
{
    if (m_delegate && m_delegate->resizeSubviewsWithOldSize(this, oldSize))
        return;
    setPosition(std::min(m_position, double(width())));
}

void RBSplitView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QSize old = event->oldSize();
    if (!m_laidOut || !old.isValid() || old.width() <= 0) {
        // The first layout: the position asked for so far (or an even share) is taken as it is.
        if (!m_positionSet)
            m_position = std::floor(width() / 2.0);
        m_laidOut = true;
        m_position = std::min(m_position, double(std::max(0, width())));
        placePanes();
        return;
    }
    if (old.width() == width()) {
        placePanes();
        return;
    }
    resizeSubviewsWithOldSize(old);
}

bool RBSplitView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_handle)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_dragging = true;
            return true;
        }
        break;
    case QEvent::MouseMove:
        if (m_dragging) {
            const QPointF point = mapFromGlobal(static_cast<QMouseEvent*>(event)->globalPosition());
            dragDividerTo(point.x());
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_dragging) {
            m_dragging = false;
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
