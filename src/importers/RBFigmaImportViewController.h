#pragma once

#include "importers/RBFigmaImportSheetWindow.h"
#include "importers/RBImportViewController.h"

#include <QPointer>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>

class FIGImportViewController;
namespace platform { class SerialQueue; }

// The Figma pane: Figma is a web service, so the row is ready whenever the build names the
// service. Its import opens a sheet with the service's pages; the archive the page sends is
// unpacked safely into a fresh folder that replaces the project's earlier import of the file
// only when it holds the layer files. The first import of a Figma file asks where its document
// is to be kept (the report's document path); importing the same file again does not ask.
class RBFigmaImportViewController : public RBImportViewController {
    Q_OBJECT
public:
    // Answers the location question with a path, or empty for Cancel.
    using SaveLocationChooser = std::function<QString(const QString& suggestedName)>;

    explicit RBFigmaImportViewController(QWidget* parent = nullptr);
    ~RBFigmaImportViewController() override;

    // The service (the build setting unless set); an empty address: not set up.
    void setServiceUrl(const QUrl& url) { m_serviceUrl = url; }
    QUrl serviceUrl() const { return m_serviceUrl; }
    bool isSetUp() const { return m_serviceUrl.isValid() && !m_serviceUrl.host().isEmpty(); }
    // Answers the location question in place of the user (tests; a file dialog unless set).
    void setSaveLocationChooser(SaveLocationChooser chooser) { m_saveLocationChooser = std::move(chooser); }

    bool supportsScale() const override { return false; }
    bool appIsRunning() const override { return isSetUp(); }
    bool appHasRightVersion() const override { return isSetUp(); }
    bool appHasSavedDocument() const override { return isSetUp(); }
    QString documentName() const override;
    std::optional<DocumentInfo> documentInfo() override;

    // Opens the Figma sheet over the import sheet.
    void start() override;
    // Unpacks the archive that arrived into the import folder and reports the result.
    void handleResult(const QString& zipPath, const QString& fileKey, const QString& fileName);

    RBFigmaImportSheetWindow* documentSheet() const { return m_documentSheet; }
    FIGImportViewController* figmaImportViewController() const;
    QString lastImportKey() const { return m_lastImportKey; }

protected:
    QString notRunningText() const override;
    void cancel() override;

private:
    struct Unpacked {
        QString error;
        bool cancelled = false;
    };
    void finishImport(const Unpacked& result, const QString& folderName, const QString& fileKey);
    void endSheet();

    QUrl m_serviceUrl;
    QString m_fileName;
    QString m_lastImportKey;
    SaveLocationChooser m_saveLocationChooser;
    QPointer<RBFigmaImportSheetWindow> m_documentSheet;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    std::unique_ptr<platform::SerialQueue> m_unpackQueue; // last: joined first
};
