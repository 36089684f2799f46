#pragma once

#include <QString>

#include <optional>

// The module's diagnostics calls, written to the platform log. The level counts the other way
// round from the log's: 0 is an error, 1 a warning, 2 information, 3 and above debugging.
// Absent texts are written as empty ones.

// A destination of diagnostics of its own: its name is written in front of the domain of each
// line ("name/domain"). A null logger is the default destination, the same as LogMessage's.
struct Logger {
    QString name;
};

void LogMessage(const std::optional<QString>& domain, int level, const std::optional<QString>& message);
// With the place of the call in front of the message: "file:line function: message".
void LogMessageF(const std::optional<QString>& filename, int lineNumber, const std::optional<QString>& functionName,
                 const std::optional<QString>& domain, int level, const std::optional<QString>& message);
void LogMessageTo(const Logger* logger, const std::optional<QString>& domain, int level,
                  const std::optional<QString>& message);
void LogMessageToF(const Logger* logger, const std::optional<QString>& filename, int lineNumber,
                   const std::optional<QString>& functionName, const std::optional<QString>& domain, int level,
                   const std::optional<QString>& message);
// A marker line that separates runs in the log.
void LogMarker(const std::optional<QString>& title = std::nullopt);
