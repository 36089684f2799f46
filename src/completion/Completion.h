#pragma once

#include "analysis/types/Type.h"
#include "completion/AutocompleteType.h"

#include <QString>

#include <cstdint>
#include <optional>

// One completion candidate, as every source makes it and the provider ranks it. A value: the
// provider and the sources change copies.
struct Completion {
    // The score ladder: higher ranks first.
    static constexpr std::int64_t kResolvedKeyScore = 110;   // object-literal keys ("name: ")
    static constexpr std::int64_t kResolvedTypeScore = 100;  // members of a known type; true, false
    static constexpr std::int64_t kInScopeScore = 90;        // names in scope, constructors after new
    static constexpr std::int64_t kModuleFileNameScore = 70;
    static constexpr std::int64_t kLanguageScore = 60;
    static constexpr std::int64_t kCustomWordScore = 50;
    static constexpr std::int64_t kUserCodeScore = 40;

    Completion() = default;
    // Without a text the shown and inserted text is the word itself.
    Completion(QString word, AutocompleteType type, const std::optional<QString>& text,
               std::int64_t score, TypePtr codeType = nullptr);

    // The identifier the candidate stands for: the key of duplicates and the last sort key.
    QString word;
    AutocompleteType type = AutocompleteType::Word;
    // Shown and inserted; a member may carry the owner and a dot in front, a key ": " behind.
    QString text;
    std::int64_t score = 0;
    TypePtr codeType;
    // The documentation key of a member: owner type name, a dot, the member name.
    std::optional<QString> codeTypeID;
    // The typed text is a case-exact prefix of `text`.
    bool literalMatch = false;
    // A member or object-literal key: ranks before everything else.
    bool isObjectKey = false;
    // A key the literal being written already has: ranks after the others, drawn muted.
    bool isUsedObjectKey = false;
};

// The kind shown for a type: Constructor for a constructing function, the kind named by an
// object type's name (Any when the name is no kind), Any for every other type.
AutocompleteType autocompleteTypeFromCodeType(const TypePtr& type);
