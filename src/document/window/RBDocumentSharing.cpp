#include "document/window/RBDocumentSharing.h"

#include "Mixpanel/Mixpanel.h"
#include "Mixpanel/MixpanelPeople.h"
#include "messages/FeedbackAddress.h"
#include "messages/ProjectConfig.h"
#include "document/RBDocument.h"
#include "document/window/RBDocumentToolbar.h"
#include "document/window/RBShareNotice.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "platform/gui/Alert.h"
#include "platform/gui/CSSpinningProgressIndicator.h"
#include "platform/gui/UserNotificationCenter.h"
#include "platform/gui/Workspace.h"
#include "preview/RBSharingUploadManager.h"
#include "preview/ShareBuildSettings.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QPixmap>
#include <QToolButton>
#include <QUrl>

namespace {
const QString kDomain = QStringLiteral("RBDocument");
constexpr int kSpinnerSize = 12;

bool isTrue(const QJsonValue& value)
{
    return value.isBool() ? value.toBool() : value.toDouble() != 0;
}

void track(const QString& event, const QVariantMap& properties, const QString& counter)
{
    Mixpanel* analytics = Mixpanel::sharedInstance();
    if (!analytics)
        return;
    analytics->track(event, properties);
    if (analytics->people())
        analytics->people()->increment(counter, 1);
}
} // namespace

RBDocumentSharing::RBDocumentSharing(RBDocument& document, RBDocumentToolbar& toolbar, QWidget* window, QObject* parent)
    : QObject(parent)
    , m_document(&document)
    , m_toolbar(&toolbar)
    , m_window(window)
    , m_serviceURL(ShareBuildSettings::shareServiceURL())
{
}

RBDocumentSharing::~RBDocumentSharing() = default;

QString RBDocumentSharing::userEmail()
{
    return platform::UserDefaults::standard().stringForKey(QStringLiteral("WelcomeWindowUserEmail")).trimmed();
}

bool RBDocumentSharing::isUploading() const
{
    return m_uploadManager && m_uploadManager->isUploading();
}

QAction* RBDocumentSharing::shareItem() const
{
    return m_toolbar ? m_toolbar->shareItem() : nullptr;
}

QToolButton* RBDocumentSharing::shareButton() const
{
    QAction* item = shareItem();
    return item ? qobject_cast<QToolButton*>(m_toolbar->widgetForAction(item)) : nullptr;
}

void RBDocumentSharing::toolbarShare()
{
    if (!m_document || isUploading() || m_askingFirstUse)
        return;
    if (m_serviceURL.isEmpty()) {
        platform::Alert alert;
        alert.setAlertStyle(platform::Alert::Informational);
        alert.setMessageText(QStringLiteral("Sharing is not set up in this build"));
        alert.setInformativeText(QStringLiteral("This build of Zelvor Studio names no share service, so nothing is uploaded. "
                                                "Mirror the prototype to devices on your network instead."));
        alert.addButton(QStringLiteral("OK"));
        alert.runModalSheetForWindow(m_window);
        return;
    }
    if (m_document->isSaved()) {
        if (isTrue(m_document->config().value(ProjectConfig::SharedPrototype)))
            share();
        else
            firstUseSharingWarning();
        return;
    }
    // A project is shared from its own folder: an untitled one is saved first, and the question
    // always follows that first save.
    QPointer<RBDocumentSharing> self(this);
    m_document->saveDocumentWithSheet(true, [self] {
        if (self)
            self->firstUseSharingWarning();
    });
}

void RBDocumentSharing::firstUseSharingWarning()
{
    if (!m_document || isUploading() || m_askingFirstUse)
        return;
    platform::Alert alert;
    alert.setAlertStyle(platform::Alert::Warning);
    alert.setMessageText(QStringLiteral("Are you sure you want to share this project?"));
    alert.setInformativeText(QStringLiteral("Anyone with the link will be able to view and download your project."));
    alert.addButton(QStringLiteral("Share"));
    alert.addButton(QStringLiteral("Cancel"));
    QPointer<RBDocumentSharing> self(this);
    m_askingFirstUse = true;
    const int answer = alert.runModalSheetForWindow(m_window);
    if (!self)
        return;
    m_askingFirstUse = false;
    if (answer == platform::Alert::kFirstButtonReturn)
        share();
}

void RBDocumentSharing::share()
{
    if (!m_document || isUploading())
        return;
    m_document->saveDocument();
    if (!m_document->isSaved())
        return;

    m_uploadManager = std::make_unique<RBSharingUploadManager>();
    m_uploadManager->setServiceURL(m_serviceURL);
    if (m_managerSetup)
        m_managerSetup(*m_uploadManager);
    QPointer<RBDocumentSharing> self(this);
    m_uploadManager->setUploadSuccess([self](const QString& link) {
        if (self)
            self->uploadSucceeded(link);
    });
    m_uploadManager->setUploadError([self](const QString& message) {
        if (self)
            self->uploadFailed(message);
    });
    showUploading(true);
    if (!m_uploadManager->uploadWithPath(m_document->projectPath(), userEmail()))
        showUploading(false);
}

void RBDocumentSharing::showUploading(bool uploading)
{
    QAction* item = shareItem();
    QToolButton* button = shareButton();
    if (item)
        item->setEnabled(!uploading);
    if (m_spinner) {
        m_spinner->hide();
        m_spinner->deleteLater();
        m_spinner = nullptr;
    }
    if (!item || !button)
        return;
    if (!uploading) {
        item->setIcon(QIcon());
        item->setText(QStringLiteral("Share"));
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        return;
    }
    // The item's image place holds the turning spinner, beside the text that says what runs.
    QPixmap blank(kSpinnerSize, kSpinnerSize);
    blank.fill(Qt::transparent);
    item->setIcon(QIcon(blank));
    item->setText(QStringLiteral("Sharing\u2026"));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setIconSize(QSize(kSpinnerSize, kSpinnerSize));
    button->adjustSize();
    const int x = std::max(0, (button->width() - button->sizeHint().width()) / 2) + 6;
    m_spinner = new CSSpinningProgressIndicator(QRect(x, (button->height() - kSpinnerSize) / 2, kSpinnerSize, kSpinnerSize), button);
    m_spinner->show();
}

void RBDocumentSharing::uploadSucceeded(const QString& link)
{
    showUploading(false);
    if (!m_document)
        return;
    m_document->config().setValue(ProjectConfig::SharedPrototype, 1);
    QString error;
    if (!m_document->saveConfig(&error))
        platform::Log::error(kDomain, QStringLiteral("the shared state was not saved: %1").arg(error));

    QGuiApplication::clipboard()->setText(link);

    const QString name = m_document->displayName();
    const QString title = QStringLiteral("Uploading '%1' complete").arg(name);
    const QString text = QStringLiteral("A link to '%1' has been copied to your clipboard (click to view).").arg(name);
    auto openLink = [link] { platform::Workspace::sharedWorkspace().openURL(QUrl(link)); };
    platform::UserNotificationCenter::defaultCenter().deliver({title, text, true, openLink});
    if (m_window) {
        if (!m_notice)
            m_notice = new RBShareNotice(m_window);
        m_notice->showNotice(title, text, openLink);
    }
    openLink();
    track(QStringLiteral("app.upload.success"), {{QStringLiteral("url"), link}}, QStringLiteral("Uploads"));
}

void RBDocumentSharing::uploadFailed(const QString& message)
{
    showUploading(false);
    platform::Alert alert;
    alert.setAlertStyle(platform::Alert::Warning);
    alert.setMessageText(QStringLiteral("Upload Failed"));
    // The service's own words first: they say what to mend (a project too big, an unreadable file).
    alert.setInformativeText(message + QStringLiteral("\n\nPlease try again, this is often due to a network hiccup. ")
                             + feedback::persistentProblemHint());
    alert.addButton(QStringLiteral("OK"));
    alert.runModalSheetForWindow(m_window);
    track(QStringLiteral("app.upload.error"), {{QStringLiteral("error"), message}}, QStringLiteral("Failed Uploads"));
}
