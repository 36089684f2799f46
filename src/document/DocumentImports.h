#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

namespace platform { struct Notification; class UserDefaults; }
class RBDocument;
#include "importers/RBImportWindowController.h"

// A project's imports from design tools: shows the import sheet over the document's window,
// repeats the last import, and takes what a pane of its own sheet reports: a new folder in
// "imported" gets a line that loads it after the lines of earlier imports, or at the top (once), and a fresh preview; a
// failure says why and changes nothing.
class DocumentImports : public QObject {
    Q_OBJECT
public:
    explicit DocumentImports(RBDocument& document, QObject* parent = nullptr);
    ~DocumentImports() override;

    // The store the sheet remembers its files and scales in (the user's defaults unless set).
    void setDefaults(platform::UserDefaults* defaults) { m_defaults = defaults; }
    void setHelpUrl(const QUrl& url);

    // Toolbar and menu: show the sheet; show it and repeat the last import.
    void toolbarImport();
    void toolbarImportAgain();
    // The sheet, made on the first import (null before).
    RBImportWindowController* importWindowController() const { return m_sheet; }

    void setupImportHandler();
    void handleImportResult(const platform::Notification& notification);
    void handleImportFailure(const platform::Notification& notification);

Q_SIGNALS:
    // For usage analytics: the identifier of the pane that imported or failed.
    void importSucceeded(const QString& identifier);
    void importFailed(const QString& identifier);
    // What the window tells the user when an import has arrived (from the sheet or Import Again).
    void importNotice(const QString& title, const QString& text);

private:
    RBImportWindowController& sheet();
    void showSheet();
    void alertFailure(const QString& informativeText);

    RBDocument& m_document;
    platform::UserDefaults* m_defaults = nullptr;
    QUrl m_helpUrl;
    QPointer<RBImportWindowController> m_sheet;
    bool m_handlerSetUp = false;
};
