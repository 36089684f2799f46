#include "preview/RBMirrorPopupViewController.h"

#include "platform/Dispatch.h"
#include "platform/gui/Workspace.h"
#include "preview/RBMirrorPopupBottomView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>

namespace {
constexpr double kCloseDelay = 0.3;
const QString kHttp = QStringLiteral("http://");
} // namespace

RBMirrorPopupViewController::RBMirrorPopupViewController(std::function<QString()> serverUrl, QWidget* parent)
    : QWidget(parent)
    , m_serverUrl(std::move(serverUrl))
    , m_urlField(new QLabel(this))
    , m_shareButton(new QPushButton(QStringLiteral("Share Link"), this))
    , m_bottomView(new RBMirrorPopupBottomView(this))
{
    setObjectName(QStringLiteral("RBMirrorPopupViewController"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* top = new QWidget(this);
    auto* topColumn = new QVBoxLayout(top);
    topColumn->setContentsMargins(14, 10, 14, 10);
    topColumn->setSpacing(4);
    auto* caption = new QLabel(QStringLiteral("Open this address on a phone or tablet on the same network:"), top);
    caption->setWordWrap(true);
    m_urlField->setObjectName(QStringLiteral("serverlUrlTextField"));
    m_urlField->setTextFormat(Qt::RichText);
    m_urlField->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_urlField->setMinimumHeight(15);
    topColumn->addWidget(caption);
    topColumn->addWidget(m_urlField);
    column->addWidget(top);

    auto* bottomRow = new QHBoxLayout(m_bottomView);
    bottomRow->setContentsMargins(14, 8, 14, 8);
    m_shareButton->setObjectName(QStringLiteral("shareButton"));
    bottomRow->addStretch();
    bottomRow->addWidget(m_shareButton);
    column->addWidget(m_bottomView);

    // The menu opens while the button is pressed, as a pop-up button's does.
    connect(m_shareButton, &QPushButton::pressed, this, &RBMirrorPopupViewController::share);

    const QString url = this->serverUrl();
    if (!url.isEmpty())
        m_urlField->setText(attributedUrl(url));
}

RBMirrorPopupViewController::~RBMirrorPopupViewController() = default;

QString RBMirrorPopupViewController::attributedUrl(const QString& url)
{
    if (!url.startsWith(kHttp))
        return url.toHtmlEscaped();
    return QStringLiteral("<span style=\"color:#8C8C8C\">%1</span>%2").arg(kHttp, url.mid(kHttp.size()).toHtmlEscaped());
}

std::unique_ptr<QMenu> RBMirrorPopupViewController::makeSharingMenu()
{
    if (serverUrl().isEmpty())
        return {};
    auto menu = std::make_unique<QMenu>(QStringLiteral("SharingMenu"));
    menu->addAction(QStringLiteral("Send as Mail\u2026"), this, &RBMirrorPopupViewController::shareByMail);
    menu->addSeparator();
    menu->addAction(QStringLiteral("Open in Browser\u2026"), this, &RBMirrorPopupViewController::open);
    menu->addAction(QStringLiteral("Copy to Clipboard"), this, &RBMirrorPopupViewController::copy);
    return menu;
}

void RBMirrorPopupViewController::share()
{
    std::unique_ptr<QMenu> menu = makeSharingMenu();
    if (!menu)
        return;
    QMenu* shown = menu.release();
    shown->setAttribute(Qt::WA_DeleteOnClose);
    m_sharingMenu = shown;
    shown->popup(m_shareButton->mapToGlobal(QPoint(0, m_shareButton->height())));
}

void RBMirrorPopupViewController::shareByMail()
{
    const QString url = serverUrl();
    if (url.isEmpty())
        return;
    QUrl mail(QStringLiteral("mailto:"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QStringLiteral("A prototype to try"));
    query.addQueryItem(QStringLiteral("body"), url);
    mail.setQuery(query);
    platform::Workspace::sharedWorkspace().openURL(mail);
    closeSoon();
}

void RBMirrorPopupViewController::open()
{
    const QString url = serverUrl();
    if (!url.isEmpty())
        platform::Workspace::sharedWorkspace().openURL(QUrl(url));
    closeSoon();
}

void RBMirrorPopupViewController::copy()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(serverUrl());
    closeSoon();
}

void RBMirrorPopupViewController::closeSoon()
{
    QPointer<RBMirrorPopupViewController> self(this);
    platform::dispatchAfter(kCloseDelay, [self] {
        if (self && self->m_close)
            self->m_close();
    });
}
