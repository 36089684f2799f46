#pragma once

#include <QString>

#include <optional>

// The module's diagnostics calls, written to the platform log. The level counts the other way
// round from the log's: 0 is an error, 1 a warning, 2 information, 3 and above debugging.
// Absent texts are written as empty ones.

void LogMessage(const std::optional<QString>& domain, int level, const std::optional<QString>& message);
// With the place of the call in front of the message: "file:line function: message".
void LogMessageF(const std::optional<QString>& filename, int lineNumber, const std::optional<QString>& functionName,
                 const std::optional<QString>& domain, int level, const std::optional<QString>& message);
// A marker line that separates runs in the log.
void LogMarker(const std::optional<QString>& title = std::nullopt);
