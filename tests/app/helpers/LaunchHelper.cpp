// A later launch: hands its arguments to the instance listening on the socket named by
// ZELVOR_INSTANCE_SOCKET. Exits 0 when they were taken, 3 when no instance answered.
#include "app/LaunchArguments.h"
#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SingleInstance instance(qEnvironmentVariable("ZELVOR_INSTANCE_SOCKET"));
    const QStringList items = launchItems(QCoreApplication::arguments().mid(1), QDir::currentPath());
    return instance.handOver(items, 3000) ? 0 : 3;
}
