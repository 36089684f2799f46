#include "document/DocumentImports.h"

#include "document/RBDocument.h"
#include "importers/ImportRules.h"
#include "messages/FeedbackAddress.h"
#include "importers/RBImportWindowController.h"
#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/gui/Alert.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString importFailedText()
{
    return QStringLiteral("The imported layers did not arrive in the project's \"imported\" folder. Save the design file again in "
                          "the application that made it and import it once more, or choose another file. ")
        + feedback::persistentProblemHint();
}
} // namespace

DocumentImports::DocumentImports(RBDocument& document, QObject* parent)
    : QObject(parent)
    , m_document(document)
{
}

DocumentImports::~DocumentImports()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    delete m_sheet.data();
}

void DocumentImports::setHelpUrl(const QUrl& url)
{
    m_helpUrl = url;
    if (m_sheet)
        m_sheet->setHelpUrl(url);
}

RBImportWindowController& DocumentImports::sheet()
{
    if (!m_sheet) {
        m_sheet = new RBImportWindowController(m_document.window(), m_defaults);
        m_sheet->setHelpUrl(m_helpUrl);
    }
    return *m_sheet;
}

void DocumentImports::showSheet()
{
    RBImportWindowController& controller = sheet();
    controller.setOutPath(QDir(m_document.projectPath()).filePath(QStringLiteral("imported")));
    controller.setup();
    controller.open();
    controller.raise();
}

void DocumentImports::toolbarImport()
{
    showSheet();
}

void DocumentImports::toolbarImportAgain()
{
    showSheet();
    sheet().importAgain();
}

void DocumentImports::setupImportHandler()
{
    if (m_handlerSetUp)
        return;
    m_handlerSetUp = true;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(QString::fromLatin1(importers::kSuccessNotification), nullptr,
                       [this](const platform::Notification& n) { handleImportResult(n); }, this);
    center.addObserver(QString::fromLatin1(importers::kFailureNotification), nullptr,
                       [this](const platform::Notification& n) { handleImportFailure(n); }, this);
}

void DocumentImports::handleImportResult(const platform::Notification& notification)
{
    if (!m_sheet || notification.object != m_sheet.data())
        return;
    const importers::ImportReport report = importers::ImportReport::fromUserInfo(notification.userInfo);
    const QString folder = QDir(m_document.projectPath()).filePath(
        QStringLiteral("imported/") + importers::importFolderName(report.docName, report.scale));
    const QFileInfo found(folder);
    if (!found.isDir() || found.isSymLink()) {
        alertFailure(importFailedText());
        Q_EMIT importFailed(report.identifier);
        return;
    }
    Q_EMIT importSucceeded(report.identifier);
    QVariantMap context = importers::importSnippetContext(report.docName, report.scale, report.identifier);
    if (RBDocumentEditor* editor = m_document.editor()) {
        const QString code = editor->content();
        context.insert(QStringLiteral("variableName"),
                       importers::importVariableName(context.value(QStringLiteral("variableName")).toString(), code));
        const bool inserted = editor->insertSnippetNamedAt(QStringLiteral("ImportSuccess"), context,
                                                           QStringLiteral("ImportSuccessReplace"),
                                                           importers::importInsertionOffset(code));
        const QString where = QStringLiteral("imported/") + importers::importFolderName(report.docName, report.scale);
        Q_EMIT importNotice(QStringLiteral("Imported %1").arg(report.docName),
                            inserted ? QStringLiteral("The code loads its layers from \"%1\" as %2.")
                                           .arg(where, context.value(QStringLiteral("variableName")).toString())
                                     : QStringLiteral("The layers in \"%1\" are up to date.").arg(where));
    }
    m_sheet->closeSheet();
    QPointer<RBDocument> document(&m_document);
    platform::dispatchAfter(0.1, [document] {
        if (document && !document->isClosed())
            document->reloadPreview();
    });
}

void DocumentImports::handleImportFailure(const platform::Notification& notification)
{
    if (!m_sheet || notification.object != m_sheet.data())
        return;
    const QString reason = notification.userInfo.value(QStringLiteral("error")).toString();
    alertFailure(reason.isEmpty() ? importFailedText() : reason);
    Q_EMIT importFailed(importers::ImportReport::fromUserInfo(notification.userInfo).identifier);
}

void DocumentImports::alertFailure(const QString& informativeText)
{
    platform::Alert alert;
    alert.setMessageText(QStringLiteral("Import Failed"));
    alert.setInformativeText(informativeText);
    alert.addButton(QStringLiteral("OK"));
    alert.runModal();
}
