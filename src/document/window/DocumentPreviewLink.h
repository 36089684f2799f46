#pragma once

#include "document/RBDocumentPreview.h"
#include "preview/RBPreviewDocument.h"

#include <QObject>
#include <QPointer>

#include <functional>

class RBDocument;
class RBZelvorViewController;

// Joins a project document and its live preview both ways: the preview reads the project
// (folder, address, settings, compiler) through it, the document reloads and steers the preview
// through it, and every settings change reaches the preview.
class DocumentPreviewLink : public QObject, public RBPreviewDocument, public RBDocumentPreview {
    Q_OBJECT
public:
    DocumentPreviewLink(RBDocument& document, RBZelvorViewController& preview, QObject* parent = nullptr);
    ~DocumentPreviewLink() override;

    RBZelvorViewController* preview() const { return m_preview.data(); }

    // Where the editor's compiler and recompile requests come from (the editor pane).
    void setTranspilerSource(std::function<CodeTranspiler*()> transpiler, std::function<void()> retranspile);
    // Where the orientation button's image goes (the toolbar).
    void setOrientationButtonImageHandler(std::function<void(const QString&)> handler);

    // RBPreviewDocument
    QObject* documentObject() override;
    QString projectPath() const override;
    QString displayName() const override;
    QString serverLocalUrl() const override;
    QJsonObject configValues() const override;
    void setConfigValue(const QString& key, const QJsonValue& value) override;
    void removeConfigValue(const QString& key) override;
    bool saveConfig() override;
    CodeTranspiler* transpiler() const override;
    void retranspile() override;
    void retryServer() override;
    void setOrientationEnabled(bool enabled) override;
    void setHandsEnabled(bool enabled) override;
    void setOrientationButtonImage(const QString& imageName) override;

    // RBDocumentPreview
    void reload(RBDocument* document) override;
    void updateDevice() override;
    void orientationChanged() override;
    void evaluateCoffeeScript(const QString& script, EvaluationHandler handler) override;
    void toggleInspector() override;
    void showServerProblem(const QString& message) override;

private:
    QPointer<RBDocument> m_document;
    QPointer<RBZelvorViewController> m_preview;
    std::function<CodeTranspiler*()> m_transpiler;
    std::function<void()> m_retranspile;
    std::function<void(const QString&)> m_orientationImage;
};
