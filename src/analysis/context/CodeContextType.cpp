#include "analysis/context/CodeContextType.h"

#include <array>

namespace {

constexpr std::array<const char*, 12> kNames = {
    "Unknown",         "BlockComment",      "LeadingDot",        "LeadingComma",
    "LeadingColon",    "LeadingWhitespace", "LeadingEquals",     "LeadingParensOpen",
    "LeadingCurlyOpen", "LeadingParensAndCurlyOpen", "LeadingObjectKey", "LeadingNewOperator"};

} // namespace

QString codeContextTypeName(CodeContextType type)
{
    const auto index = std::size_t(type);
    return index < kNames.size() ? QString::fromLatin1(kNames[index]) : QString();
}

std::optional<CodeContextType> codeContextTypeNamed(const QString& name)
{
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (name == QLatin1String(kNames[i]))
            return CodeContextType(i);
    return std::nullopt;
}
