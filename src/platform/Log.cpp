#include "platform/Log.h"

#include <QByteArray>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <unistd.h>

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

// A ring of fixed slots: writers fill a slot under the log's mutex, a crash handler reads the
// slots without it (a line being written at that moment may come out cut, never out of bounds).
struct RecentLines {
    char slots[Log::kRecentLineCount][Log::kRecentLineLength];
    int lengths[Log::kRecentLineCount];
    std::atomic<unsigned> next{0};
};
RecentLines& recent()
{
    static RecentLines lines{};
    return lines;
}

void keepLine(const QByteArray& line)
{
    RecentLines& r = recent();
    const unsigned index = r.next.load(std::memory_order_relaxed) % unsigned(Log::kRecentLineCount);
    int length = int(std::min<qsizetype>(line.size(), Log::kRecentLineLength));
    if (length == Log::kRecentLineLength) {
        // Cut at a character boundary and keep the line ending.
        length -= 1;
        while (length > 0 && (uchar(line[length]) & 0xC0) == 0x80)
            --length;
        std::memcpy(r.slots[index], line.constData(), size_t(length));
        r.slots[index][length++] = '\n';
    } else {
        std::memcpy(r.slots[index], line.constData(), size_t(length));
    }
    r.lengths[index] = length;
    r.next.store(r.next.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

std::mutex& logMutex()
{
    static std::mutex mutex; // lines from several threads never interleave
    return mutex;
}
} // namespace

void Log::write(const QString& domain, Level level, const QString& message)
{
    if (int(level) < threshold())
        return;
    const QByteArray line = QStringLiteral("[%1] %2: %3\n").arg(domain, QLatin1String(levelName(level)), message).toUtf8();
    std::lock_guard<std::mutex> lock(logMutex());
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
    keepLine(line);
}

QStringList Log::recentLines()
{
    std::lock_guard<std::mutex> lock(logMutex());
    const RecentLines& r = recent();
    const unsigned count = r.next.load(std::memory_order_acquire);
    QStringList lines;
    const unsigned first = count > unsigned(kRecentLineCount) ? count - unsigned(kRecentLineCount) : 0;
    for (unsigned i = first; i < count; ++i) {
        const unsigned index = i % unsigned(kRecentLineCount);
        QString line = QString::fromUtf8(r.slots[index], r.lengths[index]);
        if (line.endsWith(QLatin1Char('\n')))
            line.chop(1);
        lines << line;
    }
    return lines;
}

void Log::writeRecentLines(int fd)
{
    const RecentLines& r = recent();
    const unsigned count = r.next.load(std::memory_order_acquire);
    const unsigned first = count > unsigned(kRecentLineCount) ? count - unsigned(kRecentLineCount) : 0;
    for (unsigned i = first; i < count; ++i) {
        const unsigned index = i % unsigned(kRecentLineCount);
        int length = r.lengths[index];
        if (length < 0 || length > kRecentLineLength)
            continue;
        ssize_t written = ::write(fd, r.slots[index], size_t(length));
        (void)written;
    }
}

} // namespace platform
