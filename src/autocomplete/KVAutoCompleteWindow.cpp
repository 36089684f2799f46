#include "autocomplete/KVAutoCompleteWindow.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// The border, drawn over the list and the panel.
class BorderView : public QWidget {
public:
    explicit BorderView(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }
    QColor colour;
    double width = 1;
    double radius = 3;

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (width <= 0)
            return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(colour, width));
        p.setBrush(Qt::NoBrush);
        const double inset = width / 2;
        p.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), radius, radius);
    }
};

} // namespace

KVAutoCompleteWindow::KVAutoCompleteWindow()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("KVAutoCompleteWindow"));
    m_backgroundView = new QWidget(this);
    m_backgroundView->setFocusPolicy(Qt::NoFocus);
    m_borderView = new BorderView(this);
}

void KVAutoCompleteWindow::setLook(const QColor& background, double cornerRadius, double borderWidth, const QColor& border)
{
    m_background = background;
    m_cornerRadius = cornerRadius;
    auto* view = static_cast<BorderView*>(m_borderView);
    view->colour = border;
    view->width = borderWidth;
    view->radius = cornerRadius;
    update();
}

void KVAutoCompleteWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_backgroundView->setGeometry(rect());
    m_borderView->setGeometry(rect());
    m_borderView->raise();
    // Children are clipped to the rounded shape, so the corners stay clear.
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    m_backgroundView->setMask(QRegion(shape.toFillPolygon().toPolygon()));
}

void KVAutoCompleteWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(m_background);
    p.drawRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
}
