#include "platform/Log.h"

#include <QByteArray>

#include <cstdio>
#include <mutex>

namespace platform {

namespace {
int threshold()
{
    static const int level = [] {
        bool ok = false;
        const int value = qEnvironmentVariableIntValue("ZELVOR_LOG_LEVEL", &ok);
        return ok ? value : int(Log::Info);
    }();
    return level;
}

const char* levelName(Log::Level level)
{
    switch (level) {
    case Log::Debug: return "debug";
    case Log::Info: return "info";
    case Log::Warning: return "warning";
    case Log::Error: return "error";
    }
    return "";
}
} // namespace

void Log::write(const QString& domain, Level level, const QString& message)
{
    if (int(level) < threshold())
        return;
    static std::mutex mutex; // lines from several threads never interleave
    const QByteArray line = QStringLiteral("[%1] %2: %3\n").arg(domain, QLatin1String(levelName(level)), message).toUtf8();
    std::lock_guard<std::mutex> lock(mutex);
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace platform
