// A long editing session in the real application, typed through its editor (the program's
// standard-input driver, ZELVOR_DRIVE_FROM_STDIN=1), offscreen, on a saved project that holds the
// 1,000-line benchmark program:
//   unsaved text on disk after typing ms       from the last key of an edit to the text being in
//                                              the project's newest backup, the file the next
//                                              start offers; median of 7 edits (goal 2500)
//   unsaved text on disk after typing p90 ms   the same, 90th percentile
//   memory after warm-up MB                    resident size of the application (its compiler
//                                              engines run inside it) after 200 edits
//   memory growth per 1000 edits MB            its growth over the next 3,000 edits (goal 5)
// Each edit types or deletes one character at the start of the program and waits for the
// editor's compile of it, as a person typing at a calm pace would. ZELVOR_BENCH_EDITS sets
// another number of measured edits.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "support/BenchSupport.h"

#include <cstdio>
#include <filesystem>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace {

using benchsupport::spinUntil;

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The newest backup of the project, as the next start would offer it.
QByteArray newestBackup(const QString& project)
{
    const QFileInfoList files = QDir(project + QStringLiteral("/zelvor/backups"))
                                    .entryInfoList({QStringLiteral("backup-*.coffee")}, QDir::Files, QDir::Time);
    return files.isEmpty() ? QByteArray() : readFile(files.first().absoluteFilePath());
}

class Session {
public:
    explicit Session(const QString& home) : m_home(home) {}

    bool start(const QString& project)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_home);
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
            const QString folder = m_home + QLatin1Char('/') + QString::fromLatin1(name).toLower();
            QDir().mkpath(folder);
            environment.insert(QString::fromLatin1(name), folder);
        }
        QDir().mkpath(m_home + QStringLiteral("/tmp"));
        environment.insert(QStringLiteral("TMPDIR"), m_home + QStringLiteral("/tmp"));
        environment.insert(QStringLiteral("ZELVOR_USER_DEFAULTS"), m_home + QStringLiteral("/defaults.json"));
        environment.insert(QStringLiteral("ZELVOR_INSTANCE_SOCKET"), m_home + QStringLiteral("/app.socket"));
        environment.insert(QStringLiteral("ZELVOR_LOG_LEVEL"), QStringLiteral("0"));
        environment.insert(QStringLiteral("ZELVOR_DRIVE_FROM_STDIN"), QStringLiteral("1"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const QJsonObject defaults{{"WelcomeWindowShowOnStartup", false},
                                   {"FirstTimeWelcomeWindowCloseOpenDocumentsAndShowYouNew", true}};
        writeFile(m_home + QStringLiteral("/defaults.json"), QJsonDocument(defaults).toJson());
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setChildProcessModifier([] { ::setpgid(0, 0); });
        QObject::connect(&m_process, &QProcess::readyRead, [this] { m_output += m_process.readAll(); });
        m_process.start(QStringLiteral(ZELVOR_APPLICATION_BINARY), {project});
        return spinUntil([&] { return m_output.contains("program 1 ran") || m_process.state() == QProcess::NotRunning; }, 120000)
            && m_process.state() == QProcess::Running;
    }

    // Sends a command and answers its reply.
    QByteArray drive(const QByteArray& command)
    {
        const qsizetype from = m_output.size();
        m_process.write(command + '\n');
        QByteArray reply;
        spinUntil([&] {
            const qsizetype at = m_output.indexOf("driver: ", from);
            const qsizetype end = at < 0 ? -1 : m_output.indexOf('\n', at);
            if (end >= 0)
                reply = m_output.mid(at + 8, end - at - 8);
            return end >= 0 || m_process.state() != QProcess::Running;
        }, 30000);
        return reply;
    }

    // Types, and waits for the editor's compile of the new text.
    bool edit(const QByteArray& keys)
    {
        const int compiled = compiles();
        if (!drive("type " + keys).startsWith("typed"))
            return false;
        return spinUntil([&] { return compiles() > compiled; }, 10000);
    }

    double residentMegabytes()
    {
        const QByteArray reply = drive("memory");
        return reply.startsWith("memory ") ? reply.mid(7).toDouble() / 1024.0 : -1;
    }

    void end()
    {
        const pid_t group = pid_t(m_process.processId());
        if (group <= 0)
            return;
        ::kill(-group, SIGKILL);
        m_process.waitForFinished(5000);
    }

    const QByteArray& output() const { return m_output; }

private:
    int compiles()
    {
        // Counted from where the last count ended, so that long sessions stay cheap.
        qsizetype at;
        while ((at = m_output.indexOf(" succeeded", m_counted)) >= 0) {
            m_counted = at + 1;
            ++m_compiles;
        }
        return m_compiles;
    }

    QString m_home;
    QProcess m_process;
    QByteArray m_output;
    qsizetype m_counted = 0;
    int m_compiles = 0;
};

} // namespace

int main(int argc, char** argv)
{
    // The application inherits what its web engine needs here.
    benchsupport::prepareWebEnvironment();
    QCoreApplication app(argc, argv);
    const QByteArray program = benchsupport::benchmarkProgram().toUtf8();
    QTemporaryDir home;
    const QString project = home.filePath(QStringLiteral("Session.zelvor"));
    const QString resources = qEnvironmentVariable("ZELVOR_RESOURCES");
    std::error_code error;
    std::filesystem::copy((resources + QStringLiteral("/ZelvorTemplate")).toStdString(), project.toStdString(),
                          std::filesystem::copy_options::recursive, error);
    // The cursor starts at the beginning: a comment there keeps every edit a valid program.
    const QByteArray start = "# session\n" + program;
    if (program.isEmpty() || error || !writeFile(project + QStringLiteral("/app.coffee"), start)) {
        std::fprintf(stderr, "cannot make the project\n");
        return 1;
    }

    Session session(home.path());
    if (!session.start(project)) {
        std::fprintf(stderr, "the application never ran the program; it wrote:\n%s", session.output().constData());
        session.end();
        return 1;
    }

    // How soon after the last key the text is in the file the next start offers.
    std::vector<double> delays;
    QByteArray prefix;
    for (int i = 0; i < 7; ++i) {
        prefix += 'y';
        QElapsedTimer clock;
        if (!session.drive("type y").startsWith("typed")) {
            std::fprintf(stderr, "typing failed\n");
            session.end();
            return 1;
        }
        clock.start();
        const QByteArray expected = prefix + start;
        if (!spinUntil([&] { return newestBackup(project) == expected; }, 15000)) {
            std::fprintf(stderr, "the edit never reached the backup: %s\n", newestBackup(project).left(40).constData());
            session.end();
            return 1;
        }
        delays.push_back(benchsupport::ms(clock));
        benchsupport::spinFor(500);
    }
    std::printf("unsaved text on disk after typing ms: %.0f\n", benchsupport::percentile(delays, 0.5));
    std::printf("unsaved text on disk after typing p90 ms: %.0f\n", benchsupport::percentile(delays, 0.9));
    std::fflush(stdout);

    // A long session: one character typed, then taken back, again and again.
    const int measured = qEnvironmentVariableIsSet("ZELVOR_BENCH_EDITS") ? qEnvironmentVariableIntValue("ZELVOR_BENCH_EDITS") : 3000;
    const auto edits = [&](int count) {
        for (int i = 0; i < count; ++i) {
            if (!session.edit(i % 2 == 0 ? "x" : "\\b")) {
                std::fprintf(stderr, "edit %d was not compiled\n", i);
                return false;
            }
        }
        return true;
    };
    if (!edits(200)) {
        session.end();
        return 1;
    }
    const double warm = session.residentMegabytes();
    if (!edits(measured)) {
        session.end();
        return 1;
    }
    const double last = session.residentMegabytes();
    session.end();
    std::printf("memory after warm-up MB: %.1f\n", warm);
    std::printf("memory growth per 1000 edits MB: %.2f\n", (last - warm) * 1000.0 / std::max(1, measured));
    return 0;
}
