#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

class RBDocument;
class RBDeviceCatalog;
class RBDocumentServer;

// The application-wide services a project document works with. The shared document controller
// hands them to every document it makes; each may be absent (a document then does without).
struct RBDocumentServices {
    RBDocumentServer* server = nullptr;
    RBDeviceCatalog* deviceCatalog = nullptr;
    // Builds the document's window with its editor, layer panel and preview, and attaches them
    // (RBDocument::attachEditor and the like).
    std::function<void(RBDocument&)> buildWindow;
    // The start of this application run: names the backup file of the run.
    QDateTime launchDate = QDateTime::currentDateTime();
    // The folder of the user's own snippets, and showing it in the file manager.
    std::function<QString()> pluginsPath;
    std::function<void()> showPluginsPath;
    // Whether windows brought back from the last session are to close at once (the user
    // declined to restore them).
    std::function<bool()> shouldCloseRestoredDocuments;
    // Whether the application is quitting: its windows then close without further questions.
    std::function<bool()> isQuitting;
    // The maker's web site without a trailing "/" (the import help page), or empty.
    QString websiteURL;
    // The maker's build server for library updates ("/latest/<file>"); empty: the library this
    // application ships is the newest.
    QString libraryServerURL;
};
