#include <QApplication>
#include <QStandardPaths>

#include "support/SkipReport.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QStandardPaths::setTestModeEnabled(true);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The web engine shares GL contexts with the widgets; this must precede the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ZelvorStudioTests"));
    ::testing::InitGoogleTest(&argc, argv);
    testsupport::installSkipReport();
    return testsupport::exitCode(RUN_ALL_TESTS());
}
