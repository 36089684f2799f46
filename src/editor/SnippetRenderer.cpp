#include "editor/SnippetRenderer.h"

#include "editor/SnippetTemplate.h"
#include "platform/Bundle.h"
#include "platform/FileUtils.h"

std::optional<QString> SnippetRenderer::render(const QString& name, const QVariantMap& context, QString* error)
{
    const QString path = platform::Bundle::main().pathForResource(name, QStringLiteral("coffee"), QStringLiteral("Snippets"));
    bool ok = false;
    const QString templateText = path.isEmpty() ? QString() : platform::readTextFile(path, &ok);
    if (!ok) {
        if (error)
            *error = QStringLiteral("The snippet \"%1\" could not be read.").arg(name);
        return std::nullopt;
    }
    const int count = m_counter.value(name, 0);
    QVariantMap values = context;
    values.insert(QStringLiteral("snippetCounter"), count <= 0 ? QString("") : QString::number(count));
    m_counter.insert(name, count + 1);
    QString templateError;
    std::optional<QString> rendered = snippets::renderTemplate(templateText, values, &templateError);
    if (!rendered && error)
        *error = QStringLiteral("The snippet \"%1\" has a broken template: %2").arg(name, templateError);
    return rendered;
}
