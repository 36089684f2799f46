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

QString placed(const std::optional<QString>& filename, int lineNumber, const std::optional<QString>& functionName,
              const std::optional<QString>& message)
{
    return QStringLiteral("%1:%2 %3: %4")
        .arg(filename.value_or(QString()))
        .arg(lineNumber)
        .arg(functionName.value_or(QString()), message.value_or(QString()));
}

QString domainFor(const Logger* logger, const std::optional<QString>& domain)
{
    if (!logger || logger->name.isEmpty())
        return domain.value_or(QString());
    return logger->name + QLatin1Char('/') + domain.value_or(QString());
}

} // namespace

void LogMessage(const std::optional<QString>& domain, int level, const std::optional<QString>& message)
{
    platform::Log::write(domain.value_or(QString()), logLevel(level), message.value_or(QString()));
}

void LogMessageF(const std::optional<QString>& filename, int lineNumber, const std::optional<QString>& functionName,
                 const std::optional<QString>& domain, int level, const std::optional<QString>& message)
{
    platform::Log::write(domain.value_or(QString()), logLevel(level), placed(filename, lineNumber, functionName, message));
}

void LogMessageTo(const Logger* logger, const std::optional<QString>& domain, int level,
                  const std::optional<QString>& message)
{
    platform::Log::write(domainFor(logger, domain), logLevel(level), message.value_or(QString()));
}

void LogMessageToF(const Logger* logger, const std::optional<QString>& filename, int lineNumber,
                   const std::optional<QString>& functionName, const std::optional<QString>& domain, int level,
                   const std::optional<QString>& message)
{
    platform::Log::write(domainFor(logger, domain), logLevel(level), placed(filename, lineNumber, functionName, message));
}

void LogMarker(const std::optional<QString>& title)
{
    platform::Log::write(QStringLiteral("marker"), platform::Log::Info,
                         QStringLiteral("---- %1 ----").arg(title.value_or(QString())));
}
