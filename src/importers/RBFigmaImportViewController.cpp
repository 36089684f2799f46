#include "importers/RBFigmaImportViewController.h"

#include "importers/FIGImportViewController.h"
#include "importers/FigmaBuildSettings.h"
#include "importers/ImportRules.h"
#include "importers/ImportStaging.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/SafeUnzip.h"
#include "platform/SerialQueue.h"

#include <QFile>
#include <QFileDialog>

namespace {
const QString kDomain = QStringLiteral("Importer");
}

RBFigmaImportViewController::RBFigmaImportViewController(QWidget* parent)
    : RBImportViewController(parent)
    , m_serviceUrl(FigmaBuildSettings::serviceUrl())
{
    setObjectName(QStringLiteral("RBFigmaImportViewController"));
    setAppIdentifier(QStringLiteral("com.figma.web"));
    setAppName(QStringLiteral("Figma"));
    setIconImageName(QStringLiteral("icon-figma-active"));
    setIconImageNameInactive(QStringLiteral("icon-figma-inactive"));
}

RBFigmaImportViewController::~RBFigmaImportViewController()
{
    // An unpacking under way stops; the queue's thread is joined when it goes.
    if (m_cancel)
        m_cancel->store(true);
    if (m_documentSheet)
        delete m_documentSheet.data();
}

QString RBFigmaImportViewController::documentName() const
{
    return m_fileName.isEmpty() ? QStringLiteral("Online") : m_fileName;
}

std::optional<RBImportViewController::DocumentInfo> RBFigmaImportViewController::documentInfo()
{
    if (!isSetUp())
        return std::nullopt;
    return DocumentInfo{documentName(), documentPath()};
}

QString RBFigmaImportViewController::notRunningText() const
{
    return QStringLiteral("Figma import is not set up in this build");
}

FIGImportViewController* RBFigmaImportViewController::figmaImportViewController() const
{
    return m_documentSheet ? m_documentSheet->contentController() : nullptr;
}

void RBFigmaImportViewController::start()
{
    if (!isSetUp() || isImporting())
        return;
    endSheet();
    m_documentSheet = new RBFigmaImportSheetWindow(m_serviceUrl, window());
    m_documentSheet->setAttribute(Qt::WA_DeleteOnClose);
    m_documentSheet->contentController()->setHandleResult(
        [this](const QString& zipPath, const QString& fileKey, const QString& fileName) { handleResult(zipPath, fileKey, fileName); });
    m_documentSheet->open();
}

void RBFigmaImportViewController::endSheet()
{
    // Later, not now: the sheet may be in the middle of telling us something.
    if (RBFigmaImportSheetWindow* sheet = m_documentSheet.data()) {
        m_documentSheet.clear();
        sheet->hide();
        sheet->deleteLater();
    }
}

void RBFigmaImportViewController::handleResult(const QString& zipPath, const QString& fileKey, const QString& fileName)
{
    if (isImporting()) {
        QFile::remove(zipPath);
        return;
    }
    m_fileName = fileName;
    const QString folderName = importers::importFolderName(documentName(), scale());
    setImporting(true);
    showProgress(true);
    setProgressStatus(QStringLiteral("Unpacking %1…").arg(documentName()));
    if (!m_unpackQueue)
        m_unpackQueue = std::make_unique<platform::SerialQueue>(QStringLiteral("figma.unpack"));
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    const std::shared_ptr<std::atomic<bool>> cancel = m_cancel;
    const QString importPath = this->importPath();
    m_unpackQueue->async([this, zipPath, importPath, folderName, fileKey, cancel] {
        Unpacked result;
        if (std::optional<importers::ImportStaging> staging = importers::makeImportStaging(importPath, folderName, &result.error)) {
            const platform::UnzipResult unzipped = platform::safeUnzip(zipPath, staging->folder, {}, cancel.get());
            result.cancelled = unzipped.error == platform::UnzipError::Cancelled;
            if (unzipped.ok())
                importers::installImport(*staging, importPath, folderName,
                                         {QStringLiteral("layers.json"), QStringLiteral("layers.json.js")}, &result.error);
            else {
                result.error = unzipped.message;
                importers::discardImportStaging(*staging);
            }
        }
        QFile::remove(zipPath);
        platform::dispatchMain(this, [this, result, folderName, fileKey] { finishImport(result, folderName, fileKey); });
    });
}

void RBFigmaImportViewController::cancel()
{
    if (m_cancel)
        m_cancel->store(true);
}

void RBFigmaImportViewController::finishImport(const Unpacked& result, const QString& folderName, const QString& fileKey)
{
    setImporting(false);
    showProgress(false);
    endSheet();
    updateStatus();
    if (result.cancelled)
        return;
    const QString target = importPath() + QLatin1Char('/') + folderName;
    if (!result.error.isEmpty()) {
        notifyFailure(target, result.error);
        return;
    }
    // The same Figma file again: its document is known.
    const bool known = !documentPath().isEmpty() && m_lastImportKey == fileKey;
    m_lastImportKey = fileKey;
    if (!known) {
        QString chosen;
        if (m_saveLocationChooser)
            chosen = m_saveLocationChooser(m_fileName);
        else
            chosen = QFileDialog::getSaveFileName(window(), QStringLiteral("Keep the Figma Design As"), m_fileName, QString(),
                                                  nullptr, QFileDialog::DontUseNativeDialog);
        if (chosen.isEmpty()) {
            platform::Log::info(kDomain, QStringLiteral("the Figma import of %1 was not given a location").arg(m_fileName));
            return;
        }
        setDocumentPath(chosen);
    }
    notifySuccessWithPath(target, QString());
}
