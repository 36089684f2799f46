#pragma once

#include "document/window/RBShareNotice.h"
#include "platform/gui/CSSpinningProgressIndicator.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QToolButton;
class RBDocument;
class RBDocumentToolbar;
class RBSharingUploadManager;

// The share item of a document window: asks before a project is shared the first time, saves,
// uploads the project folder and puts the public link on the clipboard, or tells why it failed.
// While an upload runs the item is disabled and shows a spinner; one upload runs at a time.
class RBDocumentSharing : public QObject {
    Q_OBJECT
public:
    RBDocumentSharing(RBDocument& document, RBDocumentToolbar& toolbar, QWidget* window, QObject* parent = nullptr);
    ~RBDocumentSharing() override;

    // The share item's action.
    void toolbarShare();
    void firstUseSharingWarning();
    void share();

    bool isUploading() const;
    CSSpinningProgressIndicator* spinner() const { return m_spinner; }
    RBShareNotice* notice() const { return m_notice; }
    RBSharingUploadManager* uploadManager() const { return m_uploadManager.get(); }

    // The share service (the build's unless set; empty means sharing is not set up).
    QString serviceURL() const { return m_serviceURL; }
    void setServiceURL(const QString& url) { m_serviceURL = url; }
    // Prepares each new upload manager before it starts (tests shorten its time-out).
    void setUploadManagerSetup(std::function<void(RBSharingUploadManager&)> setup) { m_managerSetup = std::move(setup); }
    // The address uploads are made for: the one the user signed up with, or none.
    static QString userEmail();

private:
    QAction* shareItem() const;
    QToolButton* shareButton() const;
    void showUploading(bool uploading);
    void uploadSucceeded(const QString& link);
    void uploadFailed(const QString& message);

    QPointer<RBDocument> m_document;
    QPointer<RBDocumentToolbar> m_toolbar;
    QPointer<QWidget> m_window;
    QString m_serviceURL;
    std::function<void(RBSharingUploadManager&)> m_managerSetup;
    std::unique_ptr<RBSharingUploadManager> m_uploadManager;
    QPointer<CSSpinningProgressIndicator> m_spinner;
    QPointer<RBShareNotice> m_notice;
    bool m_askingFirstUse = false;
};
