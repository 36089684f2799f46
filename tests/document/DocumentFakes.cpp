#include "DocumentFakes.h"

#include "document/RBDocument.h"
#include "document/window/BuildDocumentWindow.h"
#include "platform/Dispatch.h"
#include "platform/gui/DocumentController.h"
#include "support/TestSupport.h"

#include <QDir>

void FakeServer::mount(const QString& path, MountHandler handler)
{
    mounts << path;
    const QString error = mountError;
    const QString name = QDir(path).dirName();
    // Answers later, on the main thread, as the real server does.
    platform::dispatchMain([handler, error, name] {
        if (!error.isEmpty())
            handler({}, error);
        else
            handler(QJsonObject{{"result", QJsonObject{{"url", "/projects/" + name + "/"}}}}, QString());
    });
}

void useTemporaryUserFolders()
{
    static QTemporaryDir home;
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("ZELVOR_USER_DEFAULTS", (home.path() + "/defaults.json").toUtf8());
}

RBDocument* openInDocumentWindow(RBDocumentServices services, const QString& project, bool saved, QString* error,
                                 const QByteArray& program)
{
    services.buildWindow = buildDocumentWindow;
    auto* document = new RBDocument(services);
    if (saved) {
        if (!testsupport::writeFile(project + "/app.coffee", program)) {
            *error = "cannot write " + project;
            delete document;
            return nullptr;
        }
        document->setFileURL(project);
        if (!document->readFromURL(project, "zelvor", error)) {
            delete document;
            return nullptr;
        }
    }
    platform::DocumentController::sharedDocumentController().addDocument(document);
    document->makeWindowControllers();
    if (document->window())
        document->window()->show();
    return document;
}
