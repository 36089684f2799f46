#pragma once

#include <QString>

namespace platform {

// Diagnostics: one line per message on standard error, "[domain] message". Levels below the
// threshold (ZELVOR_LOG_LEVEL, default 1) are dropped.
class Log {
public:
    enum Level { Debug = 0, Info = 1, Warning = 2, Error = 3 };

    static void write(const QString& domain, Level level, const QString& message);
    static void info(const QString& domain, const QString& message) { write(domain, Info, message); }
    static void warning(const QString& domain, const QString& message) { write(domain, Warning, message); }
    static void error(const QString& domain, const QString& message) { write(domain, Error, message); }
};

} // namespace platform
