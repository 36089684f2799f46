#include "compiler/LogMessage.h"

#include "platform/Log.h"

namespace {

platform::Log::Level logLevel(int level)
{
    switch (level) {
    case 0: return platform::Log::Error;
    case 1: return platform::Log::Warning;
    case 2: return platform::Log::Info;
    default: return platform::Log::Debug;
    }
}

} // namespace

void LogMessage(const std::optional<QString>& domain, int level, const std::optional<QString>& message)
{
    platform::Log::write(domain.value_or(QString()), logLevel(level), message.value_or(QString()));
}

void LogMessageF(const std::optional<QString>& filename, int lineNumber, const std::optional<QString>& functionName,
                 const std::optional<QString>& domain, int level, const std::optional<QString>& message)
{
    platform::Log::write(domain.value_or(QString()), logLevel(level),
                         QStringLiteral("%1:%2 %3: %4")
                             .arg(filename.value_or(QString()))
                             .arg(lineNumber)
                             .arg(functionName.value_or(QString()), message.value_or(QString())));
}

void LogMarker(const std::optional<QString>& title)
{
    platform::Log::write(QStringLiteral("marker"), platform::Log::Info,
                         QStringLiteral("---- %1 ----").arg(title.value_or(QString())));
}
