// The builder program of the resources, run as the application runs it: the bundle it writes
// works with `require`, and bad modules come back as one clear error.
#include "document/modules/RBZelvorModuleManager.h"
#include "ModuleTestFiles.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using moduletest::writeFile;

// Loads the bundle in Node as the page would (a `window` global) and prints what `program`
// evaluates to.
std::string runWithBundle(const QString& bundle, const QString& program)
{
    QProcess node;
    node.start(QStringLiteral("node"), {QStringLiteral("-e"),
                                        QStringLiteral("const load = require; global.require = undefined; global.window = global; load(%1);"
                                                                       " console.log(JSON.stringify(%2));")
                                            .arg(QStringLiteral("'%1'").arg(bundle), program)});
    node.waitForFinished(30000);
    return (QString::fromUtf8(node.readAllStandardOutput()).trimmed() + QString::fromUtf8(node.readAllStandardError()).trimmed())
        .toStdString();
}

class ModuleBuilderProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        modules = dir.filePath(QStringLiteral("modules"));
        output = dir.filePath(QStringLiteral("zelvor/zelvor.modules.js"));
        QDir().mkpath(modules);
        manager = std::make_unique<RBZelvorModuleManager>(modules);
    }
    QTemporaryDir dir;
    QString modules;
    QString output;
    std::unique_ptr<RBZelvorModuleManager> manager;
};

} // namespace

TEST_F(ModuleBuilderProgram, BundlesModulesThatRequireEachOtherByFileName)
{
    writeFile(modules + "/greeting.coffee", "helpers = require './lib/helpers'\nexports.greet = (name) -> \"Hello #{helpers.upper name}\"\n");
    writeFile(modules + "/lib/helpers.js", "exports.upper = function (s) { return s.toUpperCase(); };\n// ends in a comment");
    writeFile(modules + "/counter.coffee", "count = 0\nmodule.exports = -> ++count\n");
    writeFile(modules + "/notes.txt", "not a module");
    ASSERT_TRUE(manager->buildForPath(output)) << manager->lastError().toStdString();
    EXPECT_TRUE(manager->lastError().isEmpty());

    EXPECT_EQ(runWithBundle(output, QStringLiteral("[require('greeting').greet('ann'), require('counter')(), require('counter.coffee')(),"
                                                   " require('lib/helpers').upper('x'), require('./greeting') === require('modules/greeting'),"
                                                   " require.modules]")),
              "[\"Hello ANN\",1,2,\"X\",true,[\"counter.coffee\",\"greeting.coffee\",\"lib/helpers.js\"]]");
    EXPECT_EQ(runWithBundle(output, QStringLiteral("(function () { try { require('missing') } catch (e) { return e.message } })()")),
              "\"Cannot find module 'missing' in the project's modules folder\"");
}

TEST_F(ModuleBuilderProgram, ReportsTheFirstBrokenModuleAndKeepsTheLastBundle)
{
    writeFile(modules + "/good.coffee", "exports.ok = true\n");
    ASSERT_TRUE(manager->buildForPath(output));
    const QByteArray bundle = testsupport::readFile(output).toUtf8();

    writeFile(modules + "/broken.coffee", "a = 1\nb = (\n  c\nd = ]\n");
    EXPECT_FALSE(manager->buildForPath(output));
    QStringList lines = manager->lastError().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 2) << manager->lastError().toStdString();
    EXPECT_EQ(lines.at(0), modules + QStringLiteral("/broken.coffee"));
    EXPECT_TRUE(lines.at(1).startsWith(QLatin1String("line "))) << lines.at(1).toStdString();
    EXPECT_EQ(testsupport::readFile(output).toUtf8(), bundle);
    EXPECT_FALSE(QFileInfo::exists(RBZelvorModuleManager::hashPathForPath(output)));

    // A JavaScript syntax error would break the whole bundle in the page: it is reported too.
    QFile::remove(modules + "/broken.coffee");
    writeFile(modules + "/broken.js", "var a = 1;\nvar b = {;\n");
    EXPECT_FALSE(manager->buildForPath(output));
    lines = manager->lastError().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines.at(0), modules + QStringLiteral("/broken.js"));
    EXPECT_TRUE(lines.at(1).startsWith(QLatin1String("line 2, column 10:"))) << lines.at(1).toStdString();

    // A binary file named ".js".
    QByteArray binary(64, '\0');
    binary[3] = char(0xff);
    writeFile(modules + "/broken.js", binary);
    EXPECT_FALSE(manager->buildForPath(output));
    EXPECT_TRUE(manager->lastError().endsWith(QLatin1String("is not a text file: a module must be CoffeeScript or JavaScript text")))
        << manager->lastError().toStdString();

    // Mended, it builds again on the next call.
    QFile::remove(modules + "/broken.js");
    EXPECT_TRUE(manager->buildForPath(output));
    EXPECT_TRUE(manager->lastError().isEmpty());
}

TEST_F(ModuleBuilderProgram, CopesWithManyFilesAndLinkLoops)
{
    for (int i = 0; i < 1500; ++i)
        writeFile(modules + QStringLiteral("/many/m%1.js").arg(i), QStringLiteral("module.exports = %1;\n").arg(i).toUtf8());
    writeFile(modules + "/many/last.coffee", "module.exports = require('./m1499') + 1\n");
    ASSERT_TRUE(QFile::link(modules, modules + QStringLiteral("/many/loop")));
    ASSERT_TRUE(manager->buildForPath(output)) << manager->lastError().toStdString();
    EXPECT_EQ(runWithBundle(output, QStringLiteral("require('many/last')")), "1500");
}
