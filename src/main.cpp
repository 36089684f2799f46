#include "app/AppBuildSettings.h"
#include "app/CrashReporter.h"
#include "app/LaunchArguments.h"
#include "app/RBApplication.h"
#include "app/RBColor.h"
#include "app/SingleInstance.h"
#include "app/StdinDriver.h"
#include "app/TerminationSignals.h"
#include "autocomplete/KVAutoCompleteController.h"
#include "compiler/V8Runtime.h"
#include "document/RBDocumentController.h"
#include "document/window/BuildDocumentWindow.h"
#include "platform/Bundle.h"
#include "platform/Log.h"
#include "platform/gui/ApplicationFonts.h"
#include "preview/RBDocsWindowController.h"
#include "welcome/KVAboutWindow.h"
#include "welcome/WelcomeWindow.h"
#include "welcome/WelcomeWindowController.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <memory>

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
    if (instance.runOrHandOver(items) == SingleInstance::Start::HandedOver) {
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
    platform::loadApplicationFonts(platform::Bundle::main().pathForResource(QStringLiteral("Fonts")));
    // Made on first showing, after the shared document controller exists, so that it registers
    // with it; it outlives the application object.
    std::unique_ptr<WelcomeWindowController> welcomeController;
    RBApplication::Options options;
    options.welcomeShouldShowOnStartup = [] { return WelcomeWindowController::shouldShowOnStartup(); };
    options.makeWelcomeWindow = [&welcomeController]() -> QWidget* {
        if (!welcomeController) {
            welcomeController = std::make_unique<WelcomeWindowController>();
            welcomeController->setShowDocumentation([] { RBDocsWindowController::sharedInstance().showWindow(); });
        }
        return welcomeController->window();
    };
    options.sendPendingSignUp = [] { WelcomeWindowController::sendContactInfoToCompaignMonitorIsPossible(); };
    options.showAbout = [] { KVAboutWindow::sharedInstance().showWindow(); };
    options.makeDocumentationWindow = [] { RBDocsWindowController::sharedInstance(); };
    options.leftoversFolder = QDir::tempPath();
    // The completion description's documentation link opens the documentation window there.
    KVAutoCompleteController::sharedInstance().setDocumentationOpener(
        [](const QString& anchor) { RBDocsWindowController::sharedInstance().showInfoForAnchor(anchor); });
    RBApplication application(std::move(options));
    RBDocumentServices services = application.documentController().services();
    services.buildWindow = buildDocumentWindow;
    application.documentController().setServices(services);
    if (!instance.listen())
        platform::Log::warning(QStringLiteral("application"), QStringLiteral("Later launches will start a second application"));
    QObject::connect(&instance, &SingleInstance::itemsReceived, &application, &RBApplication::openItems);
    // Ctrl+C, the terminal closing or the session ending quit as the Quit command does.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &application,
                     &RBApplication::handleTerminationSignal);
    // Tests and benchmarks type into the real program through its standard input.
    std::unique_ptr<StdinDriver> driver;
    if (StdinDriver::isRequested())
        driver = std::make_unique<StdinDriver>();
    application.launch(items);
    return app.exec();
}
