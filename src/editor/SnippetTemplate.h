#pragma once

#include <QString>
#include <QVariantMap>

#include <optional>

namespace snippets {

// Renders a Mustache template text with a context of strings, numbers, Booleans, lists and
// nested maps (numbers as their shortest decimal text). Answers nothing when the template is
// broken, with the reason in `error`. Values of {{name}} are HTML-escaped as Mustache
// prescribes; code templates use {{{name}}} for values that go into code unchanged.
std::optional<QString> renderTemplate(const QString& templateText, const QVariantMap& context,
                                      QString* error = nullptr);

} // namespace snippets
