#include "PreviewHarness.h"

#include "../preview/ServerTestSupport.h"
#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "preview/RBServerController.h"
#include "webview/RBWebViewController.h"
#include "preview/RBZelvorViewController.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <gtest/gtest.h>

#include <iostream>


QString PreviewHarness::defaultIndexHtml()
{
    return QStringLiteral(
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
        "<script src=\"zelvor/zelvor.js\"></script>\n"
        "<script src=\"zelvor/zelvor.generated.js\"></script>\n"
        "</head><body>\n<script src=\"app.js\"></script>\n<script src=\"myapp.js\"></script>\n</body></html>");
}

namespace {
RBServerController* g_server = nullptr;

// The server runs once for the whole test program and is stopped at its end.
class ServerEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        if (g_server)
            g_server->stop();
        delete g_server;
        g_server = nullptr;
    }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);
} // namespace

RBServerController& PreviewHarness::server()
{
    static RBServerController* controller = [] {
        servertest::isolateFromTheSystemBus();
        auto* c = new RBServerController;
        if (!servertest::startAndWait(*c))
            std::cerr << "the preview server did not start\n";
        g_server = c;
        return c;
    }();
    return *controller;
}

PreviewHarness::PreviewHarness(const QString& indexHtml)
{
    QDir project(folder.path());
    project.mkpath(QStringLiteral("zelvor"));
    writeProjectFile(QStringLiteral("index.html"), (indexHtml.isEmpty() ? defaultIndexHtml() : indexHtml).toUtf8());
    const QString library = QFileInfo(platform::Bundle::main().pathForResource(
        QStringLiteral("zelvor"), QStringLiteral("js"), QStringLiteral("ZelvorTemplate/zelvor"))).absolutePath();
    QFile::copy(library + QStringLiteral("/zelvor.js"), projectFile(QStringLiteral("zelvor/zelvor.js")));
    document = std::make_unique<FakePreviewDocument>(folder.path());
    platform::NotificationCenter::defaultCenter().addObserver(
        RBDocumentStateUpdateNotification, document.get(),
        [this](const platform::Notification& n) {
            if (auto update = RBDocumentStateUpdate::fromNotification(n))
                updates.push_back(*update);
        },
        document.get());
}

PreviewHarness::~PreviewHarness()
{
    if (document)
        document->setPreview(nullptr);
    preview.reset();
    document.reset();
}

bool PreviewHarness::start()
{
    QString error;
    const QString served = servertest::mountAndWait(server(), folder.path(), &error);
    if (served.isEmpty()) {
        std::cerr << "mount failed: " << error.toStdString() << "\n";
        return false;
    }
    document->setServerLocalUrl(server().url() + served);
    preview = std::make_unique<RBZelvorViewController>();
    preview->view()->resize(400, 600);
    preview->view()->show();
    document->setPreview(preview.get());
    preview->setDocument(document.get());
    return true;
}

bool PreviewHarness::startRunningFirstProgram()
{
    document->setConfigValue(QStringLiteral("updateDelay"), 0.05);
    document->setText(QStringLiteral("window.ranValue = 1\n"));
    return start() && waitForOk(0, 60000);
}

QString PreviewHarness::projectFile(const QString& relative) const
{
    return QDir(folder.path()).filePath(relative);
}

void PreviewHarness::writeProjectFile(const QString& relative, const QByteArray& bytes) const
{
    QFile file(projectFile(relative));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QVariant PreviewHarness::pageValue(const QString& script, int timeoutMs)
{
    auto done = std::make_shared<bool>(false);
    auto value = std::make_shared<QVariant>();
    preview->webViewController()->evaluateJavaScript(script, [done, value](const QVariant& result, const QVariant&) {
        *value = result;
        *done = true;
    });
    testsupport::waitUntil([done] { return *done; }, timeoutMs);
    return *value;
}

std::optional<RBDocumentStateUpdate> PreviewHarness::waitForUpdate(
    const std::function<bool(const RBDocumentStateUpdate&)>& matches, size_t from, int timeoutMs)
{
    std::optional<RBDocumentStateUpdate> found;
    testsupport::waitUntil([&] {
        for (size_t i = from; i < updates.size(); ++i)
            if (matches(updates[i])) {
                found = updates[i];
                return true;
            }
        return false;
    }, timeoutMs);
    return found;
}

std::optional<RBDocumentStateUpdate> PreviewHarness::waitForOk(size_t from, int timeoutMs)
{
    return waitForUpdate([](const RBDocumentStateUpdate& u) { return u.state() == RBDocumentStateOk; }, from, timeoutMs);
}
