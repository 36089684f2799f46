#include "welcome/KVAboutWindow.h"

#include "platform/Bundle.h"
#include "platform/Log.h"
#include "platform/gui/WindowPlacement.h"
#include "platform/gui/Workspace.h"
#include "welcome/WebsitePage.h"
#include "welcome/WelcomeImages.h"
#include "welcome/WindowDrag.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
KVAboutWindow* g_shared = nullptr;
// Links in the credits: a light blue that reads on white.
const QColor kLinkColor = QColor::fromRgbF(0.16f, 0.69f, 0.98f, 1.0f);
} // namespace

KVAboutWindow& KVAboutWindow::sharedInstance()
{
    if (!g_shared)
        g_shared = new KVAboutWindow;
    return *g_shared;
}

bool KVAboutWindow::hasSharedInstance()
{
    return g_shared != nullptr;
}

QUrl KVAboutWindow::licenseAgreementURL()
{
    return welcome::websitePage(QStringLiteral("/license"));
}

KVAboutWindow::KVAboutWindow()
    : QWidget(nullptr, Qt::Window | Qt::WindowCloseButtonHint | Qt::WindowTitleHint)
    , m_iconView(new QLabel(this))
    , m_nameLabel(new QLabel(this))
    , m_versionLabel(new QLabel(this))
    , m_textView(new QTextBrowser(this))
    , m_acknowledgmentsButton(new QPushButton(tr("Acknowledgements"), this))
    , m_licenseButton(new QPushButton(tr("License Agreement"), this))
{
    setWindowTitle(tr("About Zelvor Studio"));
    setFixedSize(420, 470);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, QColor(0x1D, 0x1D, 0x1F));
    palette.setColor(QPalette::Link, kLinkColor);
    setPalette(palette);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 20, 28, 20);
    layout->setSpacing(6);
    m_iconView->setAlignment(Qt::AlignCenter);
    m_iconView->setFixedHeight(128);
    layout->addWidget(m_iconView);
    m_nameLabel->setText(QStringLiteral("Zelvor Studio"));
    m_nameLabel->setAlignment(Qt::AlignCenter);
    QFont nameFont = m_nameLabel->font();
    nameFont.setPointSizeF(18);
    nameFont.setWeight(QFont::Medium);
    m_nameLabel->setFont(nameFont);
    layout->addWidget(m_nameLabel);
    m_versionLabel->setText(tr("Version"));
    m_versionLabel->setAlignment(Qt::AlignCenter);
    m_versionLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_versionLabel->setStyleSheet(QStringLiteral("color: #62626B;"));
    layout->addWidget(m_versionLabel);
    layout->addSpacing(8);

    m_textView->setOpenLinks(false);
    m_textView->setFrameShape(QFrame::NoFrame);
    m_textView->setPalette(palette);
    connect(m_textView, &QTextBrowser::anchorClicked, this,
            [](const QUrl& url) { platform::Workspace::sharedWorkspace().openURL(url); });
    layout->addWidget(m_textView, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_acknowledgmentsButton);
    buttons->addWidget(m_licenseButton);
    // The licence is a page of the maker's web site: without one in the build there is none to show.
    m_licenseButton->setVisible(!licenseAgreementURL().isEmpty());
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(m_acknowledgmentsButton, &QPushButton::clicked, this, &KVAboutWindow::acknowledgmentsClicked);
    connect(m_licenseButton, &QPushButton::clicked, this, &KVAboutWindow::licenseAgreementClicked);
}

void KVAboutWindow::showWindow()
{
    if (!m_loaded) {
        m_loaded = true;
        windowDidLoad();
    }
    // Centred on the window it was asked from, wholly on screen.
    if (!isVisible())
        platform::placeWindow(this, size(), QApplication::activeWindow());
    show();
    raise();
    activateWindow();
}

void KVAboutWindow::windowDidLoad()
{
    const QImage icon = welcome::imageNamed(QStringLiteral("AppIcon"));
    if (!icon.isNull()) {
        QPixmap pixmap = QPixmap::fromImage(icon);
        pixmap.setDevicePixelRatio(icon.devicePixelRatio());
        m_iconView->setPixmap(pixmap);
        setWindowIcon(QIcon(pixmap));
    }

    const QString credits = platform::Bundle::main().pathForResource(QStringLiteral("Credits"), QStringLiteral("html"));
    QFile file(credits);
    if (!credits.isEmpty() && file.open(QIODevice::ReadOnly)) {
        m_textView->document()->setDefaultStyleSheet(
            QStringLiteral("a { color: %1; text-decoration: none; }").arg(kLinkColor.name()));
        m_textView->setHtml(QString::fromUtf8(file.readAll()));
        ++m_creditsLoads;
    } else {
        platform::Log::warning(QStringLiteral("about"), QStringLiteral("The credits are missing from the resources"));
    }

    const QString version = QCoreApplication::applicationVersion();
    if (!version.isEmpty())
        m_versionLabel->setText(version);
}

void KVAboutWindow::acknowledgmentsClicked()
{
    const QString path =
        platform::Bundle::main().pathForResource(QStringLiteral("Acknowledgements"), QStringLiteral("md"));
    if (!path.isEmpty())
        platform::Workspace::sharedWorkspace().openFile(path);
}

void KVAboutWindow::licenseAgreementClicked()
{
    if (const QUrl url = licenseAgreementURL(); !url.isEmpty())
        platform::Workspace::sharedWorkspace().openURL(url);
}

void KVAboutWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !welcome::moveWindowByDragging(this))
        m_dragOffset = event->globalPosition().toPoint() - pos();
}

void KVAboutWindow::mouseMoveEvent(QMouseEvent* event)
{
    if ((event->buttons() & Qt::LeftButton) && !m_dragOffset.isNull())
        move(event->globalPosition().toPoint() - m_dragOffset);
}
