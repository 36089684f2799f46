#include "editor/ErrorButton.h"

#include "platform/gui/ColorExtras.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <utility>

namespace {

QColor hex(const char* value)
{
    return platform::colorWithHexColorString(QString::fromLatin1(value));
}

const char* const kOkText = "62626B";
const char* const kOkTime = "414146";
const char* const kErrorText = "FFC22C";
const char* const kPressedBackground = "222224";
constexpr double kRightMargin = 60;
constexpr double kCornerRadius = 2;

} // namespace

ErrorButton::ErrorButton(QWidget* parent) : QAbstractButton(parent)
{
    // A plain push button without a border that only shows its title.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
}

QFont ErrorButton::titleFont() const
{
    QFont f = font();
    f.setPixelSize(11);
    return f;
}

void ErrorButton::setTitle(const QString& text, const QColor& colour, const QColor& background)
{
    m_runs = {{text, colour}};
    m_titleBackground = background;
    setText(text);
    update();
}

void ErrorButton::showBusyMessage(const QString& message)
{
    if (!m_busy)
        m_busy = Look{m_errorState, text(), m_runs, toolTip()};
    m_errorState = false;
    setTitle(message, hex(kOkText));
    m_layerBackground = Qt::transparent;
    setToolTip(QString());
    calculateWidth(10);
}

void ErrorButton::endBusyMessage()
{
    if (!m_busy)
        return;
    const Look look = *std::exchange(m_busy, std::nullopt);
    m_errorState = look.errorState;
    setText(look.text);
    m_runs = look.runs;
    m_titleBackground = QColor();
    setToolTip(look.toolTip);
    if (m_errorState && m_hovered)
        showHoverLook();
    calculateWidth(10);
    update();
}

void ErrorButton::showOkMessageWithTime(qint64 milliseconds)
{
    m_busy.reset();
    m_errorState = false;
    const QString title = QStringLiteral("No Errors %1ms").arg(milliseconds);
    setTitle(title, hex(kOkText));
    // The number and "ms" in the darker grey.
    constexpr int kTimeStart = 10;
    m_runs = {{title.left(kTimeStart), hex(kOkText)}, {title.mid(kTimeStart), hex(kOkTime)}};
    m_layerBackground = Qt::transparent;
    setToolTip(QString());
    calculateWidth(10);
}

void ErrorButton::showErrorMessage(const QString& message)
{
    m_busy.reset();
    m_errorState = true;
    QString text = message;
    text.remove(u'\n');
    setTitle(text, hex(kErrorText));
    setToolTip(text);
    if (m_hovered)
        showHoverLook();
    calculateWidth(10);
}

double ErrorButton::titleWidth() const
{
    const QFontMetricsF metrics(titleFont());
    double width = 0;
    for (const auto& run : m_runs)
        width += metrics.horizontalAdvance(run.text);
    return width;
}

void ErrorButton::calculateWidth(double extraWidth)
{
    double width = std::ceil(titleWidth() + extraWidth);
    if (QWidget* bar = parentWidget()) {
        const double room = bar->width() - (x() + kRightMargin);
        if (width >= room)
            width = room;
    }
    setGeometry(x(), y(), int(qMax(0.0, width)), height());
}

QSize ErrorButton::sizeHint() const
{
    return QSize(int(std::ceil(titleWidth() + 10)), 22);
}

void ErrorButton::showHoverLook()
{
    m_layerBackground = hex(kPressedBackground);
    setTitle(text(), hex(kErrorText), hex(kPressedBackground));
}

void ErrorButton::showPlainLook()
{
    m_layerBackground = Qt::transparent;
    setTitle(text(), hex(kErrorText));
}

void ErrorButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    m_hovered = true;
    if (m_errorState)
        showHoverLook();
}

void ErrorButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    m_hovered = false;
    m_layerBackground = Qt::transparent;
    if (m_errorState)
        setTitle(text(), hex(kErrorText));
    update();
}

void ErrorButton::mousePressEvent(QMouseEvent* event)
{
    // Outside the error state there is nothing to go to: the button takes no clicks.
    if (!m_errorState) {
        event->accept();
        return;
    }
    QAbstractButton::mousePressEvent(event);
    showHoverLook();
}

void ErrorButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_errorState) {
        event->accept();
        return;
    }
    QAbstractButton::mouseMoveEvent(event);
}

void ErrorButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_errorState) {
        event->accept();
        return;
    }
    const bool over = rect().contains(event->position().toPoint());
    QAbstractButton::mouseReleaseEvent(event); // sends clicked() when released over the button
    if (!m_errorState)
        return; // the click may have changed the state
    if (over)
        showHoverLook();
    else
        showPlainLook();
}

bool ErrorButton::hitButton(const QPoint& pos) const
{
    return m_errorState && QAbstractButton::hitButton(pos);
}

void ErrorButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF bounds = rect();
    if (m_layerBackground.alpha() > 0) {
        QPainterPath path;
        path.addRoundedRect(bounds, kCornerRadius, kCornerRadius);
        p.fillPath(path, m_layerBackground);
    }
    const QFont f = titleFont();
    const QFontMetricsF metrics(f);
    p.setFont(f);
    const double total = titleWidth();
    // Centred as a one-line title; a title wider than the button is cut at its right end.
    double x = total < bounds.width() ? (bounds.width() - total) / 2 : 0;
    const double textHeight = metrics.height();
    const double top = (bounds.height() - textHeight) / 2;
    const double baseline = top + metrics.ascent();
    p.setClipRect(bounds);
    for (const auto& run : m_runs) {
        const double w = metrics.horizontalAdvance(run.text);
        const QRectF runRect(x, top, w, textHeight);
        // The default background is the bar's own, which shows through.
        if (m_titleBackground.isValid() && m_titleBackground.alpha() > 0)
            p.fillRect(runRect, m_titleBackground);
        p.setPen(run.colour);
        p.drawText(QPointF(x, baseline), run.text);
        x += w;
    }
}
