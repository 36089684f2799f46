#include "FakePreviewDocument.h"

#include "preview/RBZelvorViewController.h"

FakePreviewDocument::FakePreviewDocument(const QString& folder)
    : m_folder(folder)
    , m_transpiler(new CodeTranspiler(this))
{
}

void FakePreviewDocument::setText(const QString& text)
{
    m_text = text;
    m_transpiler->transpileFromString(text);
}

void FakePreviewDocument::setConfigValue(const QString& key, const QJsonValue& value)
{
    m_config.insert(key, value);
    if (m_preview)
        m_preview->observeConfigValue(key, value);
}

void FakePreviewDocument::removeConfigValue(const QString& key)
{
    m_config.remove(key);
}
