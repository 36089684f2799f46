#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Diagnostics: one line per message on standard error, "[domain] message". Levels below the
// threshold (ZELVOR_LOG_LEVEL, default 1) are dropped.
//
// The last lines written are also kept in a fixed buffer, so that a crash report can carry
// them: writeRecentLines() copies them to a file descriptor without locking or allocating and
// may be called from a signal handler.
class Log {
public:
    enum Level { Debug = 0, Info = 1, Warning = 2, Error = 3 };

    static void write(const QString& domain, Level level, const QString& message);
    static void info(const QString& domain, const QString& message) { write(domain, Info, message); }
    static void warning(const QString& domain, const QString& message) { write(domain, Warning, message); }
    static void error(const QString& domain, const QString& message) { write(domain, Error, message); }

    // How many of the last lines are kept, and the longest line kept whole.
    static constexpr int kRecentLineCount = 64;
    static constexpr int kRecentLineLength = 512;
    // The kept lines, oldest first.
    static QStringList recentLines();
    // Writes the kept lines, oldest first, to the descriptor (async-signal-safe).
    static void writeRecentLines(int fd);
};

} // namespace platform
