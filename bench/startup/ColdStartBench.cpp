// Cold start of the application:
//   cold start to preview ms   from starting the zelvor-studio binary, offscreen, with a new
//                              project (the project template) on its command line and empty home
//                              folders, to the preview saying that the page ran the project's
//                              program; median of 5 launches
//   cold start steps ms        when each step of the same launches was reached (medians)
//   bare web page start ms     the same for a program that only shows a page of its own in the
//                              web engine and runs its script (the peer: what the machine and the
//                              engine take by themselves at this moment), median of 5 launches
//   cold start ratio           the application's start over the bare page's
//
// The application says what it reached in its debug log (ZELVOR_LOG_LEVEL=0): the preview writes
// "program N ran" once the page has run a compiled program. The bench stamps every line of the
// child with the time it arrived. The welcome window is switched off in the fresh settings, as
// it is on every launch after the first, so that only the project window starts.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "support/BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace {

using benchsupport::spinUntil;

constexpr int kLaunches = 5;
constexpr int kLaunchTimeoutMs = 60000;

// The steps of a start, in the order they usually come, and the text of the line that marks each.
struct Step {
    const char* name;
    const char* marker;
};
const std::vector<Step>& steps()
{
    static const std::vector<Step> list{
        {"compiler loaded", "Loaded bundled JavaScript file 'inferencer'"},
        {"server ready", "[RBServerController] debug: ready at"},
        {"page requested", "[RBZelvorViewController] debug: page requested"},
        {"page ready", "[RBZelvorViewController] debug: page ready"},
        {"compiled", "[RBZelvorViewController] debug: compile"},
        {"program ran", "[RBZelvorViewController] debug: program"},
        {"bare page ran", "bare page ran"},
    };
    return list;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Ends the launched application with everything it started: it leads its own process group.
void endProcessGroup(QProcess& process)
{
    const pid_t group = pid_t(process.processId());
    if (group <= 0)
        return;
    ::kill(-group, SIGTERM);
    if (!process.waitForFinished(5000)) {
        ::kill(-group, SIGKILL);
        process.waitForFinished(5000);
    }
    // Children that outlived the application (the preview server, web engine helpers).
    for (int i = 0; i < 50 && ::kill(-group, 0) == 0; ++i) {
        ::kill(-group, i < 20 ? SIGTERM : SIGKILL);
        ::usleep(100 * 1000);
    }
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// One launch of the application (or of the bare page): when each step was reached (ms after the
// start), or nothing when the program never ran.
std::optional<std::map<std::string, double>> launch(int run, bool bare, QString* output)
{
    QTemporaryDir home;
    if (!home.isValid())
        return std::nullopt;
    const QString project = home.filePath(QStringLiteral("Cold Start.zelvor"));
    const QString resources = qEnvironmentVariableIsSet("ZELVOR_RESOURCES")
        ? qEnvironmentVariable("ZELVOR_RESOURCES")
        : QStringLiteral(ZELVOR_SOURCE_DIR "/resources");
    std::error_code error;
    std::filesystem::copy((resources + QStringLiteral("/ZelvorTemplate")).toStdString(), project.toStdString(),
                          std::filesystem::copy_options::recursive, error);
    if (error) {
        *output = QStringLiteral("cannot copy the project template: %1").arg(QString::fromStdString(error.message()));
        return std::nullopt;
    }
    const QJsonObject defaults{{"WelcomeWindowShowOnStartup", false},
                               {"FirstTimeWelcomeWindowCloseOpenDocumentsAndShowYouNew", true}};
    if (!writeFile(home.filePath(QStringLiteral("defaults.json")), QJsonDocument(defaults).toJson()))
        return std::nullopt;

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        const QString folder = home.filePath(QString::fromLatin1(name).toLower());
        QDir().mkpath(folder);
        environment.insert(QString::fromLatin1(name), folder);
    }
    environment.insert(QStringLiteral("ZELVOR_USER_DEFAULTS"), home.filePath(QStringLiteral("defaults.json")));
    environment.insert(QStringLiteral("ZELVOR_INSTANCE_SOCKET"),
                       QStringLiteral("zelvor-cold-start-%1-%2").arg(QCoreApplication::applicationPid()).arg(run));
    environment.insert(QStringLiteral("ZELVOR_LOG_LEVEL"), QStringLiteral("0"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/zelvor-bench-bus"));
    if (geteuid() == 0) {
        environment.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
        if (environment.value(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS")).isEmpty())
            environment.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"), QStringLiteral("--no-sandbox --disable-gpu"));
    }

    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(home.path());
    process.setChildProcessModifier([] { ::setpgid(0, 0); });

    std::map<std::string, double> reached;
    QElapsedTimer clock;
    QByteArray pending[2];
    const auto read = [&](int channel) {
        const double now = clock.nsecsElapsed() / 1e6;
        process.setReadChannel(channel == 0 ? QProcess::StandardOutput : QProcess::StandardError);
        pending[channel] += process.readAll();
        qsizetype end;
        while ((end = pending[channel].indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending[channel].left(end));
            pending[channel].remove(0, end + 1);
            output->append(QStringLiteral("%1 ms  %2\n").arg(now, 7, 'f', 1).arg(line));
            for (const Step& step : steps())
                if (line.contains(QLatin1String(step.marker)) && !reached.count(step.name))
                    reached[step.name] = now;
        }
    };
    QObject::connect(&process, &QProcess::readyReadStandardOutput, [&] { read(0); });
    QObject::connect(&process, &QProcess::readyReadStandardError, [&] { read(1); });

    clock.start();
    const char* goal = bare ? "bare page ran" : "program ran";
    if (bare)
        process.start(QStringLiteral(ZELVOR_BARE_WEB_PAGE_BINARY), {});
    else
        process.start(QStringLiteral(ZELVOR_APPLICATION_BINARY), {project});
    const bool ran = spinUntil([&] { return reached.count(goal) || process.state() == QProcess::NotRunning; },
                               kLaunchTimeoutMs)
        && reached.count(goal);
    endProcessGroup(process);
    if (!ran)
        return std::nullopt;
    return reached;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::map<std::string, std::vector<double>> samples;
    // Application and peer take turns, so that both see the same load of the machine.
    for (int run = 0; run < kLaunches; ++run) {
        for (const bool bare : {false, true}) {
            QString output;
            const auto reached = launch(run, bare, &output);
            if (!reached) {
                std::fprintf(stderr, "launch %d of the %s: it never ran its program; it wrote:\n%s", run,
                             bare ? "bare web page" : "application", qPrintable(output));
                return 1;
            }
            for (const auto& [name, ms] : *reached)
                samples[name].push_back(ms);
            if (qEnvironmentVariableIsSet("ZELVOR_BENCH_VERBOSE"))
                std::fprintf(stderr, "launch %d of the %s:\n%s", run, bare ? "bare web page" : "application",
                             qPrintable(output));
        }
    }
    const double application = median(samples["program ran"]);
    const double bare = median(samples["bare page ran"]);
    std::printf("cold start to preview ms: %.0f\n", application);
    QStringList line;
    for (const Step& step : steps())
        if (std::string(step.name) != "bare page ran" && samples[step.name].size() == std::size_t(kLaunches))
            line << QStringLiteral("%1 %2").arg(QLatin1String(step.name)).arg(median(samples[step.name]), 0, 'f', 0);
    std::printf("cold start steps ms: %s\n", qPrintable(line.join(QStringLiteral(", "))));
    std::printf("bare web page start ms: %.0f\n", bare);
    std::printf("cold start ratio: %.2f\n", application / bare);
    return 0;
}
