#include <QCoreApplication>
#include <QStandardPaths>

#include "support/SkipReport.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Keeps user defaults, data and caches of tests away from the user's own.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ZelvorStudioTests"));
    ::testing::InitGoogleTest(&argc, argv);
    testsupport::installSkipReport();
    return testsupport::exitCode(RUN_ALL_TESTS());
}
