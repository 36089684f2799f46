// The project's modules in the live preview: a program that requires them runs, a broken
// module is reported to the editor, and mending it builds again on the next reload.
#include "../previewcontroller/PreviewHarness.h"

#include "document/modules/RBZelvorModuleManager.h"
#include "preview/RBZelvorViewController.h"
#include "support/TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {
bool isModuleError(const RBDocumentStateUpdate& u)
{
    return u.isError() && u.type() == QLatin1String("module");
}
} // namespace

TEST(ModulesInPreview, ProgramsRequireModulesAndSeeTheirBuildErrors)
{
    PreviewHarness h(QStringLiteral(
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
        "<script src=\"zelvor/zelvor.js\"></script>\n"
        "<script src=\"zelvor/zelvor.modules.js\"></script>\n"
        "<script src=\"zelvor/zelvor.generated.js\"></script>\n"
        "</head><body></body></html>"));
    QDir(h.folder.path()).mkpath(QStringLiteral("modules/shapes"));
    h.writeProjectFile(QStringLiteral("modules/greeting.coffee"), "exports.text = (name) -> \"Hello, #{name}\"\n");
    h.writeProjectFile(QStringLiteral("modules/shapes/square.js"), "module.exports = function (n) { return n * n; };\n");
    h.document->setText(QStringLiteral("greeting = require 'greeting'\nsquare = require 'shapes/square'\n"
                                       "window.result = greeting.text('you') + ' ' + square(7)\n"));
    ASSERT_TRUE(h.start());
    h.preview->setModuleBuilderFactory(RBZelvorModuleManager::factory());

    ASSERT_TRUE(h.waitForOk(0, 60000)) << "the program never ran";
    EXPECT_EQ(h.pageValue(QStringLiteral("window.result")).toString(), QStringLiteral("Hello, you 49"));
    ASSERT_NE(h.preview->zelvorModuleManager(), nullptr);
    EXPECT_TRUE(h.preview->zelvorModuleManager()->lastError().isEmpty());

    // A syntax error in a module: reported near its file, in place of the page's errors.
    h.writeProjectFile(QStringLiteral("modules/greeting.coffee"), "exports.text = (name) ->\n  \"Hello, #{name\"\n");
    size_t mark = h.updates.size();
    h.preview->reload();
    auto error = h.waitForUpdate(isModuleError, mark, 60000);
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->message().startsWith(QLatin1String("ModuleBuildError: greeting.coffee near 'line 2, column")))
        << error->message().toStdString();

    // Mended: the next reload builds again and the program runs with the new module.
    h.writeProjectFile(QStringLiteral("modules/greeting.coffee"), "exports.text = (name) -> \"Hi, #{name}\"\n");
    mark = h.updates.size();
    h.preview->reload();
    ASSERT_TRUE(h.waitForOk(mark, 60000));
    EXPECT_TRUE(h.preview->zelvorModuleManager()->lastError().isEmpty());
    EXPECT_TRUE(testsupport::waitUntil([&] { return h.pageValue(QStringLiteral("window.result")).toString() == QLatin1String("Hi, you 49"); }))
        << h.pageValue(QStringLiteral("window.result")).toString().toStdString();
}
