// A page served by the preview server runs what the application sends through "eval".
#include "ServerTestSupport.h"

#include "preview/RBServerController.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <memory>

TEST(RBServerControllerPage, EvalRunsInAServedPage)
{
    servertest::isolateFromTheSystemBus();
    QTemporaryDir folder;
    const QString project = folder.filePath(QStringLiteral("Page.zelvor"));
    QDir().mkpath(project);
    QFile index(project + QStringLiteral("/index.html"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("<html><head><title>before</title></head><body>page</body></html>");
    index.close();

    RBServerController controller;
    ASSERT_TRUE(servertest::startAndWait(controller));
    const QString served = servertest::mountAndWait(controller, project);
    ASSERT_FALSE(served.isEmpty());

    QWebEngineView view;
    view.resize(320, 240);
    bool loaded = false;
    QObject::connect(view.page(), &QWebEnginePage::loadFinished, [&](bool ok) { loaded = ok; });
    view.load(QUrl(controller.url() + served));
    view.show();
    ASSERT_TRUE(testsupport::waitUntil([&] { return loaded; }, 30000));

    // The page connects for scripts on its own; send until it has (an eval reports the pages).
    ASSERT_TRUE(servertest::evalUntilTaken(controller, QStringLiteral("document.title = 'after ' + (1 + 1)")));
    EXPECT_TRUE(testsupport::waitUntil([&] { return view.page()->title() == QStringLiteral("after 2"); }, 10000))
        << view.page()->title().toStdString();
    controller.stop();
}
