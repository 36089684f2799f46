#include "completion/Completion.h"

#include "analysis/types/TFunc.h"

Completion::Completion(QString word, AutocompleteType type, const std::optional<QString>& text,
                       std::int64_t score, TypePtr codeType)
    : word(std::move(word)), type(type), score(score), codeType(std::move(codeType))
{
    this->text = text ? *text : this->word;
}

AutocompleteType autocompleteTypeFromCodeType(const TypePtr& type)
{
    if (!type)
        return AutocompleteType::Any;
    if (const auto func = typeAs<TFunc>(type); func && func->isCTOR())
        return AutocompleteType::Constructor;
    if (type->isObjectType())
        return autocompleteTypeFromRawValue(type->name()).value_or(AutocompleteType::Any);
    return AutocompleteType::Any;
}
