#include "document/window/RBMirrorMenu.h"

#include "document/RBDocument.h"
#include "preview/RBZelvorViewController.h"
#include "document/window/RBDocumentToolbarActions.h"
#include "platform/Log.h"
#include "platform/gui/Workspace.h"
#include "preview/RBMirrorPopupViewController.h"
#include "preview/ShareBuildSettings.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>
#include <QWidgetAction>

namespace {
const QString kDomain = QStringLiteral("RBDocument");

QImage drawIcon(bool apple, bool selected)
{
    constexpr double scale = 2.0;
    QImage image(int(16 * scale), int(16 * scale), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(selected ? QColor(Qt::white) : QColor(0x4A, 0x4A, 0x50));
    if (apple) {
        // A fruit with a bite out of its right side and a leaf on top.
        QPainterPath body;
        body.addEllipse(QRectF(2.5, 4.5, 11, 10.5));
        QPainterPath bite;
        bite.addEllipse(QRectF(11, 7, 4, 4));
        p.drawPath(body.subtracted(bite));
        QPainterPath leaf;
        leaf.moveTo(8, 4.5);
        leaf.cubicTo(8, 2.5, 9.5, 1, 11, 1);
        leaf.cubicTo(11, 3, 9.5, 4.5, 8, 4.5);
        p.drawPath(leaf);
    } else {
        // A robot's head over its body, with two feelers.
        p.drawPie(QRectF(3, 2.5, 10, 9), 0, 180 * 16);
        p.drawRoundedRect(QRectF(3, 8, 10, 6.5), 1.5, 1.5);
        p.setPen(QPen(p.brush().color(), 0.9, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 1.5), QPointF(6, 3.2));
        p.drawLine(QPointF(11, 1.5), QPointF(10, 3.2));
        p.setPen(Qt::NoPen);
        p.setBrush(selected ? QColor(0x2E, 0x6B, 0xE6) : QColor(Qt::white));
        p.drawEllipse(QPointF(6.3, 5.5), 0.8, 0.8);
        p.drawEllipse(QPointF(9.7, 5.5), 0.8, 0.8);
    }
    return image;
}
} // namespace

RBMirrorMenu::RBMirrorMenu(RBDocument& document, QObject* parent)
    : QObject(parent)
    , m_document(&document)
{
}

QIcon RBMirrorMenu::mirrorIconNamed(const QString& name)
{
    if (name == QLatin1String("icon-android"))
        return QIcon(QPixmap::fromImage(drawIcon(false, false)));
    if (name == QLatin1String("icon-android-selected"))
        return QIcon(QPixmap::fromImage(drawIcon(false, true)));
    if (name == QLatin1String("icon-apple"))
        return QIcon(QPixmap::fromImage(drawIcon(true, false)));
    if (name == QLatin1String("icon-apple-selected"))
        return QIcon(QPixmap::fromImage(drawIcon(true, true)));
    return {};
}

std::unique_ptr<QMenu> RBMirrorMenu::makeMirrorMenu()
{
    auto menu = std::make_unique<QMenu>();
    menu->setObjectName(QStringLiteral("mirrorMenu"));
    QMenu* raw = menu.get();
    QPointer<RBDocument> document = m_document;

    // The address a phone opens, with a way to send it on.
    auto* header = new QWidgetAction(raw);
    auto* popup = new RBMirrorPopupViewController([document] { return document ? document->serverUrl() : QString(); });
    popup->setCloseHandler([menu = QPointer<QMenu>(raw)] {
        if (menu)
            menu->close();
    });
    header->setDefaultWidget(popup);
    raw->addAction(header);
    raw->addSeparator();

    auto add = [this, raw](int tag, const QString& title) {
        QAction* item = raw->addAction(title);
        item->setData(tag);
        connect(item, &QAction::triggered, this, [this, tag] { toolbarMirrorAction(tag); });
        return item;
    };
    const ShareBuildSettings::ViewerApp apps[] = {ShareBuildSettings::androidViewerApp(), ShareBuildSettings::iosViewerApp(),
                                                  ShareBuildSettings::secondIosViewerApp()};
    bool anyApp = false;
    for (int tag = AndroidApp; tag <= SecondIosApp; ++tag)
        if (apps[tag].isSet()) {
            add(tag, apps[tag].name);
            anyApp = true;
        }
    if (anyApp)
        raw->addSeparator();
    add(OpenInBrowser, QStringLiteral("Open in Browser"));
    add(CopyLink, QStringLiteral("Copy Link"));
    raw->addSeparator();
    if (!ShareBuildSettings::mirrorHelpURL().isEmpty()) {
        add(Help, QStringLiteral("How Does Mirror Work?"));
        raw->addSeparator();
    }
    menuWillHighlightItem(*raw, nullptr);
    connect(raw, &QMenu::hovered, raw, [raw](QAction* item) { menuWillHighlightItem(*raw, item); });
    connect(raw, &QMenu::aboutToShow, raw, [raw] { menuWillHighlightItem(*raw, nullptr); });
    return menu;
}

void RBMirrorMenu::showMirrorMenuWithSender(QWidget* sender)
{
    if (m_openMenu)
        m_openMenu->close();
    QMenu* menu = makeMirrorMenu().release();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    m_openMenu = menu;
    menu->popup(sender ? RBDocumentToolbarActions::menuLocationForToolbarButton(sender) : QCursor::pos());
}

void RBMirrorMenu::toolbarMirror(QWidget* sender)
{
    if (!m_document)
        return;
    if (!m_document->isSaved()) {
        m_document->saveDocument();
        return;
    }
    showMirrorMenuWithSender(sender);
}

void RBMirrorMenu::menuWillHighlightItem(QMenu& menu, QAction* highlighted)
{
    for (QAction* item : menu.actions()) {
        bool ok = false;
        const int tag = item->data().toInt(&ok);
        if (!ok || item->isSeparator())
            continue;
        const bool selected = item == highlighted;
        if (tag == AndroidApp)
            item->setIcon(mirrorIconNamed(selected ? QStringLiteral("icon-android-selected") : QStringLiteral("icon-android")));
        else if (tag == IosApp || tag == SecondIosApp)
            item->setIcon(mirrorIconNamed(selected ? QStringLiteral("icon-apple-selected") : QStringLiteral("icon-apple")));
    }
}

void RBMirrorMenu::toolbarMirrorAction(int tag)
{
    auto openPage = [](const QString& page) {
        if (!page.isEmpty())
            platform::Workspace::sharedWorkspace().openURL(QUrl(page));
    };
    switch (tag) {
    case AndroidApp:
        openPage(ShareBuildSettings::androidViewerApp().storeURL);
        break;
    case IosApp:
        openPage(ShareBuildSettings::iosViewerApp().storeURL);
        break;
    case SecondIosApp:
        openPage(ShareBuildSettings::secondIosViewerApp().storeURL);
        break;
    case OpenInBrowser:
    case CopyLink: {
        if (!m_document)
            return;
        // Only a saved project has an address that lasts.
        if (!m_document->saveDocument() || !m_document || !m_document->isSaved())
            return;
        const QString url = m_document->serverUrl();
        if (url.isEmpty()) {
            platform::Log::warning(kDomain, QStringLiteral("The project is not served yet; no address to give"));
            return;
        }
        if (tag == OpenInBrowser) {
            openPage(url);
        } else {
            QClipboard* clipboard = QGuiApplication::clipboard();
            clipboard->clear();
            clipboard->setText(url);
        }
        break;
    }
    case Help:
        openPage(ShareBuildSettings::mirrorHelpURL());
        break;
    default:
        break;
    }
}
