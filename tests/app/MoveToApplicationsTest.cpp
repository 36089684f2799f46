#include "app/install/MovePlan.h"
#include "app/install/PFMoveToApplicationsFolder.h"
#include "platform/UserDefaults.h"
#include "platform/gui/Alert.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A machine where the given folders exist (a folder's entries are its listed children).
MoveEnvironment machine(const QStringList& folders, const QStringList& writable = {"/home/ann/.local/opt", "/home/ann"})
{
    MoveEnvironment env;
    env.home = "/home/ann";
    env.downloads = "/home/ann/Downloads";
    env.tempFolders = {"/tmp"};
    env.isDir = [folders](const QString& p) { return folders.contains(p); };
    env.exists = env.isDir;
    env.isWritable = [writable](const QString& p) { return writable.contains(p); };
    env.entries = [folders](const QString& p) {
        QStringList names;
        for (const QString& f : folders) {
            if (f.startsWith(p + "/") && !f.mid(p.size() + 1).contains('/'))
                names << f.mid(p.size() + 1);
        }
        return names;
    };
    env.removableDeviceOf = [](const QString& p) { return p.startsWith("/media/") ? QStringLiteral("/dev/sdb1") : QString(); };
    return env;
}

QStringList tree(const QString& root) { return {root, root + "/share/zelvor-studio/resources"}; }

// This machine's facts, with the user's home (and its Downloads) in a folder of the test.
MoveEnvironment environmentAt(platform::UserDefaults& defaults, const QString& home)
{
    MoveEnvironment env = currentMoveEnvironment(defaults);
    env.home = home;
    env.downloads = home + "/Downloads";
    return env;
}

} // namespace

TEST(MoveToApplications, DecidesWhenToOfferAndWhere)
{
    struct Row {
        const char* what;
        QString program;
        QStringList folders;
        bool offer;
        QString destination;
        bool password;
    };
    const QString userApps = "/home/ann/.local/opt";
    const QList<Row> rows = {
        {"build folder", "/home/ann/src/zelvor/build/zelvor-studio", {}, false, {}, false},
        {"installed prefix", "/usr/local/bin/zelvor-studio", tree("/usr/local"), false, {}, false},
        {"in the user's folder", userApps + "/zs/bin/zelvor-studio", tree(userApps + "/zs") << userApps, false, {}, false},
        {"a folder named Applications", "/home/ann/Applications/zs/bin/zelvor-studio", tree("/home/ann/Applications/zs"), false, {}, false},
        {"in the home folder", "/home/ann/zs/bin/zelvor-studio", tree("/home/ann/zs"), false, {}, false},
        {"Downloads, no user folder", "/home/ann/Downloads/zs/bin/zelvor-studio", tree("/home/ann/Downloads/zs"), true, "/opt/zs", true},
        {"Downloads, an empty user folder", "/home/ann/Downloads/zs/bin/zelvor-studio",
         tree("/home/ann/Downloads/zs") << userApps, true, "/opt/zs", true},
        {"Downloads, user folder in use", "/home/ann/Downloads/zs/bin/zelvor-studio",
         tree("/home/ann/Downloads/zs") << userApps << userApps + "/other", true, userApps + "/zs", false},
        {"temporary folder", "/tmp/x/zs/bin/zelvor-studio", tree("/tmp/x/zs") << userApps << userApps + "/o", true, userApps + "/zs", false},
        {"removable media", "/media/ann/usb/zs/bin/zelvor-studio", tree("/media/ann/usb/zs") << userApps << userApps + "/o", true, userApps + "/zs", false},
    };
    for (const Row& row : rows) {
        const MovePlan plan = planMoveToApplications(row.program, machine(row.folders));
        EXPECT_EQ(plan.offer, row.offer) << row.what << ": " << plan.why.toStdString();
        if (!row.offer)
            continue;
        EXPECT_EQ(plan.destination, row.destination) << row.what;
        EXPECT_EQ(plan.needsAuthorization, row.password) << row.what;
        EXPECT_EQ(plan.informativeText.contains("administrator password"), row.password) << row.what;
    }
    const MovePlan downloads = planMoveToApplications("/home/ann/Downloads/zs/bin/zelvor-studio",
                                                      machine(tree("/home/ann/Downloads/zs") << userApps << userApps + "/o"));
    EXPECT_EQ(downloads.title, "Move to Applications folder in your Home folder?");
    EXPECT_TRUE(downloads.informativeText.endsWith("This will keep your Downloads folder uncluttered."));
    EXPECT_EQ(planMoveToApplications("/media/ann/usb/zs/bin/zelvor-studio", machine(tree("/media/ann/usb/zs"))).removableDevice, "/dev/sdb1");
    MoveEnvironment suppressed = machine(tree("/home/ann/Downloads/zs"));
    suppressed.suppressed = true;
    EXPECT_FALSE(planMoveToApplications("/home/ann/Downloads/zs/bin/zelvor-studio", suppressed).offer);
}

TEST(MoveToApplications, QuotesPathsForTheShellAndTheDesktop)
{
    const QString odd = "/home/ann/.local/opt/it's \"mine\" $HOME";
    QProcess shell;
    shell.start("/bin/sh", {"-c", "printf '%s' " + shellQuoted(odd)});
    ASSERT_TRUE(shell.waitForFinished(5000));
    EXPECT_EQ(QString::fromUtf8(shell.readAllStandardOutput()), odd);

    EXPECT_TRUE(relaunchScript(4242, odd).contains("kill -0 4242"));
    const QStringList privileged = privilegedCopyCommand("/tmp/a b", odd);
    EXPECT_EQ(privileged.first(), "pkexec");
    EXPECT_EQ(privileged.last(), "/bin/rm -rf " + shellQuoted(odd) + " && /bin/cp -pR '/tmp/a b' " + shellQuoted(odd));

    const QString entry = desktopEntryFor(odd, "[Desktop Entry]\nName=Zelvor Studio\nExec=/usr/bin/zelvor-studio %U\n");
    EXPECT_TRUE(entry.contains("Exec=\"/home/ann/.local/opt/it's \\\\\"mine\\\\\" \\\\$HOME/bin/zelvor-studio\" %U"))
        << entry.toStdString();
    EXPECT_TRUE(entry.contains("Name=Zelvor Studio"));
}

TEST(MoveToApplications, MovesARealTreeAndStartsItFromItsNewPlace)
{
    QTemporaryDir root;
    const QString home = root.filePath("home with 'quote'");
    const QString source = home + "/Downloads/zelvor studio";
    ASSERT_TRUE(QDir().mkpath(source + "/bin") && QDir().mkpath(source + "/share/zelvor-studio/resources"));
    ASSERT_TRUE(QDir().mkpath(home + "/.local/opt/another-program"));
    const QString marker = root.filePath("started-from");
    {
        QFile program(source + "/bin/zelvor-studio");
        ASSERT_TRUE(program.open(QIODevice::WriteOnly));
        // Written aside and renamed, so that the marker appears whole: the shell makes the file
        // before printf fills it, and the test reads it as soon as it exists.
        program.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$0\" > %1 && mv %1 %2\n")
                          .arg(shellQuoted(marker + ".part"), shellQuoted(marker))
                          .toUtf8());
        program.close();
        program.setPermissions(program.permissions() | QFileDevice::ExeOwner);
    }
    platform::UserDefaults defaults(root.filePath("defaults.json"));
    MoveEnvironment env = environmentAt(defaults, home);
    MoveActions actions = currentMoveActions();
    int exited = -1;
    actions.exit = [&](int status) { exited = status; };
    QProcess gone; // the relaunch waits for a process that has already ended
    gone.start("/bin/true");
    ASSERT_TRUE(gone.waitForFinished(5000));
    actions.pid = gone.processId() > 0 ? gone.processId() : 999999;

    // Declining with the box ticked: never asked again.
    platform::Alert::setTestResponder([](const platform::Alert& alert) {
        alert.setSuppressionButtonState(true);
        return platform::Alert::kFirstButtonReturn + 1;
    });
    moveToApplicationsFolderIfNecessary(defaults, source + "/bin/zelvor-studio", env, actions);
    EXPECT_TRUE(defaults.boolForKey("moveToApplicationsFolderAlertSuppress"));
    EXPECT_TRUE(QFileInfo::exists(source));

    int asked = 0;
    platform::Alert::setTestResponder([&](const platform::Alert&) { ++asked; return platform::Alert::kFirstButtonReturn; });
    env.suppressed = false;
    moveToApplicationsFolderIfNecessary(defaults, source + "/bin/zelvor-studio", env, actions);
    platform::Alert::setTestResponder(nullptr);

    const QString destination = home + "/.local/opt/zelvor studio";
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(exited, 0);
    EXPECT_FALSE(QFileInfo::exists(source)) << "the old tree is removed";
    EXPECT_TRUE(QFileInfo(destination + "/bin/zelvor-studio").isExecutable());
    const QString entry = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + "/zelvor-studio.desktop";
    EXPECT_TRUE(testsupport::readFile(entry).contains("Exec=\"" + destination + "/bin/zelvor-studio\" %U"));
    QFile::remove(entry);
    ASSERT_TRUE(testsupport::waitUntil([&] { return QFileInfo::exists(marker); }, 10000));
    EXPECT_EQ(testsupport::readFile(marker), destination + "/bin/zelvor-studio");
}

TEST(MoveToApplications, ACopyThatCameOutShortKeepsTheProgramWhereItRuns)
{
    QTemporaryDir root;
    const QString home = root.filePath("home");
    const QString source = home + "/Downloads/zelvor-studio";
    ASSERT_TRUE(testsupport::writeFile(source + "/bin/zelvor-studio", "#!/bin/sh\n"));
    ASSERT_TRUE(testsupport::writeFile(source + "/share/zelvor-studio/resources/library.js", QByteArray(4096, 'x')));
    ASSERT_TRUE(QDir().mkpath(home + "/.local/opt/another-program"));
    platform::UserDefaults defaults(root.filePath("defaults.json"));
    MoveEnvironment env = environmentAt(defaults, home);
    MoveActions actions = currentMoveActions();
    int exited = -1;
    actions.exit = [&](int status) { exited = status; };
    actions.startDetachedShell = [](const QString&) { return true; };
    // The copy says it succeeded but the resources came out cut short, as on a full disk.
    actions.copyTree = [](const QString& from, const QString& to) {
        return testsupport::writeFile(to + "/bin/zelvor-studio", testsupport::readFile(from + "/bin/zelvor-studio").toUtf8())
            && testsupport::writeFile(to + "/share/zelvor-studio/resources/library.js", "x");
    };
    QStringList asked;
    platform::Alert::setTestResponder([&](const platform::Alert& alert) {
        asked << alert.messageText();
        return platform::Alert::kFirstButtonReturn;
    });
    moveToApplicationsFolderIfNecessary(defaults, source + "/bin/zelvor-studio", env, actions);
    platform::Alert::setTestResponder(nullptr);

    EXPECT_EQ(exited, -1) << "it relaunched from a broken copy";
    EXPECT_EQ(asked.value(1), "Could not move to Applications folder");
    EXPECT_EQ(QFileInfo(source + "/share/zelvor-studio/resources/library.js").size(), 4096) << "the running program was removed";
    EXPECT_TRUE(treeCopyIsComplete(source, source));
}
