#pragma once
#include "compiler/CodeTranspiler.h"
#include "preview/RBPreviewDocument.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include "preview/RBZelvorViewController.h"

// A project document for the preview: a folder, settings in memory, a real compiler for the
// editor's text, and a record of what the preview asked of it.
class FakePreviewDocument : public QObject, public RBPreviewDocument {
    Q_OBJECT
public:
    explicit FakePreviewDocument(const QString& folder);

    void setPreview(RBZelvorViewController* preview) { m_preview = preview; }
    void setServerLocalUrl(const QString& url) { m_serverLocalUrl = url; }
    // Replaces the editor's text and compiles it.
    void setText(const QString& text);

    QObject* documentObject() override { return this; }
    QString projectPath() const override { return m_folder; }
    QString displayName() const override { return QStringLiteral("Test Project"); }
    QString serverLocalUrl() const override { return m_serverLocalUrl; }
    QJsonObject configValues() const override { return m_config; }
    void setConfigValue(const QString& key, const QJsonValue& value) override;
    void removeConfigValue(const QString& key) override;
    bool saveConfig() override { ++saveCount; return true; }
    CodeTranspiler* transpiler() const override { return m_transpiler; }
    void retranspile() override { ++retranspileCount; m_transpiler->transpileFromString(m_text); }
    void setOrientationEnabled(bool enabled) override { orientationEnabled = enabled; }
    void setHandsEnabled(bool enabled) override { handsEnabled = enabled; }
    void setOrientationButtonImage(const QString& name) override { orientationImage = name; }

    int saveCount = 0;
    int retranspileCount = 0;
    bool orientationEnabled = false;
    bool handsEnabled = false;
    QString orientationImage;

private:
    QString m_folder;
    QString m_serverLocalUrl;
    QString m_text;
    QJsonObject m_config;
    CodeTranspiler* m_transpiler;
    QPointer<RBZelvorViewController> m_preview;
};
