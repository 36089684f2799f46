#include "DocumentFakes.h"

#include "platform/Dispatch.h"

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
