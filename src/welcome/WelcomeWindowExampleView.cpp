#include "welcome/WelcomeWindowExampleView.h"

#include "document/RBDocument.h"
#include "platform/Bundle.h"
#include "platform/gui/ColorExtras.h"
#include "welcome/AntiAliasedLabel.h"
#include "welcome/SystemFont.h"
#include "welcome/WelcomeImages.h"

#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>

namespace welcome {

namespace {
WelcomeWindowExampleView::Opener& opener()
{
    static WelcomeWindowExampleView::Opener open;
    return open;
}
} // namespace

void WelcomeWindowExampleView::setExampleOpener(Opener open)
{
    opener() = std::move(open);
}

WelcomeWindowExampleView::WelcomeWindowExampleView(const QRect& frame, const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_title(title)
    , m_image(imageNamed(title))
{
    setGeometry(frame);
    setCursor(Qt::PointingHandCursor);
    setToolTip(tr("Open the example “%1” as a new prototype").arg(title));
    const int w = width();
    new AntiAliasedLabel(QRect(0, 112, w, 20), title, systemFontOfSize(12, FontWeight::Light), Qt::white,
                         platform::colorWithHexColorString(QStringLiteral("19191B")), Qt::AlignHCenter,
                         std::nullopt, this);
}

QString WelcomeWindowExampleView::examplePath() const
{
    const QString examples = platform::Bundle::main().pathForResource(QStringLiteral("Examples"));
    if (examples.isEmpty())
        return QString();
    const QString path = QDir(examples).filePath(m_title.toLower() + QStringLiteral(".zelvor"));
    return QFileInfo(path).isDir() ? path : QString();
}

void WelcomeWindowExampleView::openExample()
{
    const QString path = examplePath();
    if (path.isEmpty())
        return;
    QWidget* welcomeWindow = window();
    if (opener())
        opener()(path);
    else
        RBDocument::newDocumentWithTemplatePath(path);
    if (welcomeWindow)
        welcomeWindow->close();
}

void WelcomeWindowExampleView::setImageOpacity(double opacity)
{
    if (m_imageOpacity == opacity)
        return;
    m_imageOpacity = opacity;
    update();
}

void WelcomeWindowExampleView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setOpacity(m_imageOpacity);
    if (!m_image.isNull())
        painter.drawImage(QRectF(0, 0, width(), width()), m_image);
}

void WelcomeWindowExampleView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return event->ignore();
    setImageOpacity(0.9);
}

void WelcomeWindowExampleView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        setImageOpacity(locationInButton(event->position().toPoint()) ? 0.9 : 1.0);
}

void WelcomeWindowExampleView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return event->ignore();
    setImageOpacity(1.0);
    if (locationInButton(event->position().toPoint()))
        openExample();
}

} // namespace welcome
