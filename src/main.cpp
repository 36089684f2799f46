#include "app/AppBuildSettings.h"
#include "app/CrashReporter.h"
#include "app/LaunchArguments.h"
#include "app/RBApplication.h"
#include "app/RBColor.h"
#include "app/SingleInstance.h"
#include "compiler/V8Runtime.h"
#include "platform/Log.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Zelvor Studio"));
    QCoreApplication::setOrganizationName(QStringLiteral("ZelvorStudio"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELVOR_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("zelvor-studio"));
    QApplication::setQuitOnLastWindowClosed(false);

    // A later launch hands what it was asked to open to the running one and ends.
    const QStringList items = launchItems(QCoreApplication::arguments().mid(1), QDir::currentPath());
    SingleInstance instance(qEnvironmentVariable("ZELVOR_INSTANCE_SOCKET", SingleInstance::defaultServerName()));
    if (instance.handOver(items, 1500)) {
        std::fprintf(stderr, "zelvor-studio: handed over to the running application\n");
        return 0;
    }

    CrashReporter::install(CrashReporter::defaultDirectory(), QStringLiteral(ZELVOR_VERSION));

    QString error;
    if (!V8Runtime::initialize(argv[0], &error)) {
        std::fprintf(stderr, "zelvor-studio: %s\n", qPrintable(error));
        return 1;
    }

    RBColor::install(app);
    RBApplication application;
    if (!instance.listen())
        platform::Log::warning(QStringLiteral("application"), QStringLiteral("Later launches will start a second application"));
    QObject::connect(&instance, &SingleInstance::itemsReceived, &application, &RBApplication::openItems);
    application.launch(items);
    return app.exec();
}
