#pragma once

#include <QString>

#include <optional>

// What leads up to the word being typed. The first row of the context provider's table that
// matches decides; BlockComment comes from the syntax tree instead.
enum class CodeContextType {
    Unknown,
    BlockComment,
    LeadingDot,
    LeadingComma,
    LeadingColon,
    LeadingWhitespace,
    LeadingEquals,
    LeadingParensOpen,
    LeadingCurlyOpen,
    LeadingParensAndCurlyOpen,
    LeadingObjectKey,
    LeadingNewOperator,
};

// The case's name as written above ("LeadingDot").
QString codeContextTypeName(CodeContextType type);
// The case of a name; nothing for a name that is none.
std::optional<CodeContextType> codeContextTypeNamed(const QString& name);
