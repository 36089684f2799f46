#pragma once

#include "importers/FIGImportBridgeDelegate.h"

#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

class CSSpinningProgressIndicator;
class FIGImportBridge;
class QLabel;
class QPushButton;

// The content of the Figma sheet: the service's pages in a web view, an overlay that says what
// runs while the export is made and sent, and a bar with the close button. A failure the page
// or the transfer reports is shown on the sheet, which stays open for another try.
class FIGImportViewController : public QWidget, public FIGImportBridgeDelegate {
    Q_OBJECT
public:
    // Called with the archive's temporary path, the file's key and name once it has arrived.
    using ResultHandler = std::function<void(const QString& zipPath, const QString& fileKey, const QString& fileName)>;

    explicit FIGImportViewController(const QUrl& service, QWidget* parent = nullptr);
    ~FIGImportViewController() override;

    void setHandleResult(ResultHandler handler) { m_handleResult = std::move(handler); }
    void showStatus(bool show, const QString& message = QString());

    FIGImportBridge* bridge() const { return m_bridge.get(); }
    bool exportDidStart() const { return m_exportDidStart; }
    QString fileKey() const { return m_fileKey; }
    QString fileName() const { return m_fileName; }
    QString filePath() const { return m_filePath; }
    QPushButton* closeButton() const { return m_closeButton; }
    QWidget* statusView() const { return m_statusView; }
    QString statusText() const;
    // The failure shown in the bar (empty while there is none).
    QString errorText() const;

    // --- FIGImportBridgeDelegate
    void userChoseFileForExport(FIGImportBridge* bridge, const QString& fileName, const QString& fileKey) override;
    void bridgeDownloadedFileAtTempLocation(FIGImportBridge* bridge, const QString& path) override;
    void bridgeFailed(FIGImportBridge* bridge, figma::FailureReason reason, const QString& debugMessage) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::unique_ptr<FIGImportBridge> m_bridge;
    ResultHandler m_handleResult;
    bool m_exportDidStart = false;
    QString m_fileKey;
    QString m_fileName;
    QString m_filePath;
    QWidget* m_webViewWrapper = nullptr;
    QWidget* m_statusView = nullptr;
    CSSpinningProgressIndicator* m_statusViewProgressIndicator = nullptr;
    QLabel* m_statusViewLabel = nullptr;
    QWidget* m_bottomView = nullptr;
    QLabel* m_errorLabel = nullptr;
    QPushButton* m_closeButton = nullptr;
};
