#pragma once

#include "preview/drop/RBPreviewDropEditor.h"

#include <QObject>
#include <QPointer>

class RBCodeEditViewController;

// The document's code editor as the drop handling uses it.
class RBCodeEditDropEditor : public QObject, public RBPreviewDropEditor {
    Q_OBJECT
public:
    explicit RBCodeEditDropEditor(RBCodeEditViewController* editor, QObject* parent = nullptr);

    QString content() const override;
    void insertSnippetNamed(const QString& name, const QVariantMap& context, bool onTop) override;
    void setInsertionPoint(qsizetype offset) override;

private:
    QPointer<RBCodeEditViewController> m_editor;
};
