// The module builder: when a build is needed, what counts as a failure, and the bundle that the
// real builder program writes.
#include "document/modules/ModuleBuilderCommand.h"
#include "document/modules/RBZelvorModuleManager.h"
#include "ModuleTestFiles.h"
#include "support/TestSupport.h"

#include "platform/FileUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

#include <gtest/gtest.h>

namespace {

using moduletest::writeFile;

// A project with a "modules" folder and a stand-in builder that records each run in a log and
// then behaves as its script says.
class ModuleManagerRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        modules = dir.filePath(QStringLiteral("modules"));
        output = dir.filePath(QStringLiteral("zelvor/zelvor.modules.js"));
        QDir().mkpath(modules);
        QDir().mkpath(dir.filePath(QStringLiteral("zelvor")));
        writeFile(modules + QStringLiteral("/a.coffee"), "exports.a = 1\n");
        manager = std::make_unique<RBZelvorModuleManager>(modules);
        setBuilder(QStringLiteral("open(sys.argv[2], 'w').write('bundle')"));
    }

    // `body` runs after the run is logged; sys.argv is [script, modules, output].
    void setBuilder(const QString& body)
    {
        const QString script = dir.filePath(QStringLiteral("builder.py"));
        writeFile(script, QStringLiteral("import os, sys, json\nopen(%1, 'a').write(json.dumps([sys.argv[1:], dict(os.environ)]) + '\\n')\n%2\n")
                              .arg(QStringLiteral("'%1'").arg(dir.filePath(QStringLiteral("runs.log"))), body)
                              .toUtf8());
        manager->setBuilderScriptPath(script);
    }

    int runs() const
    {
        return testsupport::readFile(dir.filePath(QStringLiteral("runs.log"))).count(QLatin1Char('\n'));
    }

    QTemporaryDir dir;
    QString modules;
    QString output;
    std::unique_ptr<RBZelvorModuleManager> manager;
};

} // namespace

TEST_F(ModuleManagerRules, BuildsOnlyWhenAModuleFileChanges)
{
    ASSERT_TRUE(manager->buildForPath(output));
    EXPECT_EQ(runs(), 1);
    EXPECT_TRUE(manager->lastError().isEmpty());
    const QString hashPath = dir.filePath(QStringLiteral("zelvor/.zelvor.modules.js.hash"));
    EXPECT_EQ(RBZelvorModuleManager::hashPathForPath(output), hashPath);
    EXPECT_EQ(testsupport::readFile(hashPath), RBZelvorModuleManager::hashForPath(modules));

    // Unchanged: no second run.
    ASSERT_TRUE(manager->buildForPath(output));
    EXPECT_EQ(runs(), 1);

    // A file of another kind changes nothing.
    writeFile(modules + QStringLiteral("/notes.txt"), "hello");
    writeFile(modules + QStringLiteral("/picture.png"), "png");
    manager->buildForPath(output);
    EXPECT_EQ(runs(), 1);

    int expected = 1;
    const auto expectBuild = [&](const char* what) {
        manager->buildForPath(output);
        EXPECT_EQ(runs(), ++expected) << what;
        manager->buildForPath(output);
        EXPECT_EQ(runs(), expected) << what << " (again)";
    };
    writeFile(modules + QStringLiteral("/a.coffee"), "exports.a = 2\n");
    expectBuild("edited");
    writeFile(modules + QStringLiteral("/lib/b.js"), "module.exports = 2;\n");
    expectBuild("added in a subfolder");
    ASSERT_TRUE(QFile::rename(modules + QStringLiteral("/lib/b.js"), modules + QStringLiteral("/lib/c.js")));
    expectBuild("renamed");
    ASSERT_TRUE(QFile::remove(modules + QStringLiteral("/lib/c.js")));
    expectBuild("removed");
    ASSERT_TRUE(QFile::remove(hashPath));
    expectBuild("fingerprint deleted");
    ASSERT_TRUE(QFile::remove(output));
    expectBuild("bundle deleted");

    // The builder's command line and its exact environment.
    const QStringList lines = testsupport::readFile(dir.filePath(QStringLiteral("runs.log"))).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QJsonArray last = QJsonDocument::fromJson(lines.last().toUtf8()).array();
    EXPECT_EQ(last.at(0).toArray().at(0).toString(), modules);
    EXPECT_EQ(last.at(0).toArray().at(1).toString(), output);
    const QJsonObject environment = last.at(1).toObject();
    QStringList keys = environment.keys();
    keys.removeAll(QStringLiteral("LC_CTYPE")); // Python adds it when coercing the C locale
    EXPECT_EQ(keys, (QStringList{"DESKTOPAPP", "PATH", "PYTHONDONTWRITEBYTECODE", "PYTHONUNBUFFERED", "TEMPDIR"}));
    EXPECT_TRUE(environment.value(QStringLiteral("PATH")).toString().startsWith(QLatin1String("/bin:/usr/bin:/usr/local/bin")));
}

TEST_F(ModuleManagerRules, FailedBuildsKeepTheirMessageAndBuildAgain)
{
    const QString hashPath = RBZelvorModuleManager::hashPathForPath(output);

    // An error object.
    setBuilder(QStringLiteral("print(json.dumps({'type': 'error', 'message': sys.argv[1] + '/a.coffee\\nline 1: oops'}))\nsys.exit(1)"));
    EXPECT_FALSE(manager->buildForPath(output));
    EXPECT_EQ(manager->lastError(), modules + QStringLiteral("/a.coffee\nline 1: oops"));
    EXPECT_FALSE(QFileInfo::exists(hashPath));
    manager->buildForPath(output);
    EXPECT_EQ(runs(), 2) << "a failed build is tried again on the next reload";

    // A non-zero exit without an error object is a failure too, with what it printed.
    setBuilder(QStringLiteral("sys.stderr.write('Traceback: something broke\\n')\nsys.exit(3)"));
    EXPECT_FALSE(manager->buildForPath(output));
    EXPECT_TRUE(manager->lastError().contains(QLatin1String("exit status 3"))) << manager->lastError().toStdString();
    EXPECT_TRUE(manager->lastError().contains(QLatin1String("something broke")));
    EXPECT_FALSE(QFileInfo::exists(hashPath));

    // Ended by a signal.
    setBuilder(QStringLiteral("os.kill(os.getpid(), 9)"));
    EXPECT_FALSE(manager->buildForPath(output));
    EXPECT_TRUE(manager->lastError().contains(QLatin1String("signal 9"))) << manager->lastError().toStdString();

    // A builder that never ends is stopped; the event loop kept turning meanwhile.
    setBuilder(QStringLiteral("import time\ntime.sleep(60)"));
    manager->setBuildTimeout(1500);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(50);
    EXPECT_FALSE(manager->buildForPath(output));
    EXPECT_TRUE(manager->lastError().contains(QLatin1String("did not finish"))) << manager->lastError().toStdString();
    EXPECT_GT(ticks, 3);
    manager->setBuildTimeout(120000);

    // A missing builder script.
    manager->setBuilderScriptPath(dir.filePath(QStringLiteral("missing.py")));
    EXPECT_FALSE(manager->buildForPath(output));
    EXPECT_FALSE(manager->lastError().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(hashPath));

    // A success clears the error; an unneeded build keeps it as it is.
    setBuilder(QStringLiteral("open(sys.argv[2], 'w').write('bundle')"));
    EXPECT_TRUE(manager->buildForPath(output));
    EXPECT_TRUE(manager->lastError().isEmpty());
    manager->setLastError(QStringLiteral("kept"));
    EXPECT_TRUE(manager->buildForPath(output));
    EXPECT_EQ(manager->lastError(), QStringLiteral("kept"));
}

TEST(ModuleFingerprint, EndsOnLinkLoopsAndCoversOnlyModuleFiles)
{
    QTemporaryDir dir;
    const QString modules = dir.filePath(QStringLiteral("modules"));
    writeFile(modules + QStringLiteral("/b.js"), "b");
    writeFile(modules + QStringLiteral("/sub/a.coffee"), "a");
    writeFile(modules + QStringLiteral("/sub/readme.md"), "r");
    ASSERT_TRUE(QFile::link(modules, modules + QStringLiteral("/sub/loop")));
    const QString print = RBZelvorModuleManager::hashForPath(modules);
    EXPECT_EQ(print, QStringLiteral("%1:%2/b.js%3:%2/sub/a.coffee")
                         .arg(platform::md5OfFile(modules + "/b.js"), modules, platform::md5OfFile(modules + "/sub/a.coffee")));
    EXPECT_EQ(RBZelvorModuleManager::hashForPath(dir.filePath(QStringLiteral("none"))), QString());
}
