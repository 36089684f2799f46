// Installs the crash reporter into the folder given as the first argument, logs a few lines
// and then dies of the signal named by the second argument ("segv" or "abort").
#include "app/CrashReporter.h"
#include "platform/Log.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdlib>

// Not inlined and exported, so that the backtrace names it.
[[gnu::noinline]] void crashInsideTheHelper(bool abortInstead);
[[gnu::noinline]] void crashInsideTheHelper(bool abortInstead)
{
    if (abortInstead)
        std::abort();
    volatile int* nowhere = nullptr;
    *nowhere = 42;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3)
        return 2;
    if (!CrashReporter::install(args[1], QStringLiteral("9.8.7")))
        return 2;
    for (int i = 1; i <= 3; ++i)
        platform::Log::info(QStringLiteral("helper"), QStringLiteral("line %1 before the crash").arg(i));
    crashInsideTheHelper(args[2] == QLatin1String("abort"));
    return 0;
}
