#pragma once

#include <QDateTime>

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
};
