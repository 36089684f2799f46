#pragma once

#include <QHash>
#include <QString>
#include <QVariantMap>

#include <optional>

// Renders the snippets of the resource folder "Snippets" ("<name>.coffee", Mustache
// templates). Each rendering gets "snippetCounter" in its context: the empty string the first
// time this renderer renders a name, then "1", "2" and so on, so that repeated snippets can
// name their variables apart. Counts live as long as the renderer.
class SnippetRenderer {
public:
    // Nothing, with the reason in `error`, when the snippet can't be read or its template is
    // broken; an unreadable snippet does not advance its count.
    std::optional<QString> render(const QString& name, const QVariantMap& context, QString* error = nullptr);
    const QHash<QString, int>& counter() const { return m_counter; }

private:
    QHash<QString, int> m_counter;
};
