#include "document/window/RBShareNotice.h"

#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int kWidth = 340;
constexpr int kMargin = 12;
} // namespace

RBShareNotice::RBShareNotice(QWidget* window)
    : QFrame(window)
    , m_title(new QLabel(this))
    , m_text(new QLabel(this))
{
    setObjectName(QStringLiteral("RBShareNotice"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(QStringLiteral("#RBShareNotice { background: #FAFAFA; border: 1px solid #C8C8CC; border-radius: 6px; }"
                                 "QLabel { color: #28282B; }"));
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_title->setTextFormat(Qt::PlainText);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(4);
    layout->addWidget(m_title);
    layout->addWidget(m_text);
    m_hideTimer.setSingleShot(true);
    connect(&m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
    window->installEventFilter(this);
    hide();
}

void RBShareNotice::showNotice(const QString& title, const QString& text, std::function<void()> clickAction)
{
    m_title->setText(title);
    m_text->setText(text);
    m_clickAction = std::move(clickAction);
    place();
    show();
    raise();
    m_hideTimer.start(kShownMs);
}

QString RBShareNotice::title() const
{
    return m_title->text();
}

QString RBShareNotice::text() const
{
    return m_text->text();
}

void RBShareNotice::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    hide();
    if (auto action = m_clickAction)
        action();
}

bool RBShareNotice::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize && isVisible())
        place();
    return QFrame::eventFilter(watched, event);
}

void RBShareNotice::place()
{
    auto* window = parentWidget();
    if (!window)
        return;
    const int width = std::min(kWidth, window->width() - 2 * kMargin);
    const int height = heightForWidth(width) > 0 ? heightForWidth(width) : sizeHint().height();
    // Below the toolbar, where the window's own content starts.
    const auto* mainWindow = qobject_cast<QMainWindow*>(window);
    const QWidget* content = mainWindow ? mainWindow->centralWidget() : nullptr;
    const int top = content ? content->geometry().top() : 0;
    setGeometry(window->width() - width - kMargin, top + kMargin, width, height);
}
