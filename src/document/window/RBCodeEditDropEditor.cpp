#include "document/window/RBCodeEditDropEditor.h"

#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "editor/RBCodeEditViewController.h"

RBCodeEditDropEditor::RBCodeEditDropEditor(RBCodeEditViewController* editor, QObject* parent)
    : QObject(parent)
    , m_editor(editor)
{
}

QString RBCodeEditDropEditor::content() const
{
    return m_editor ? m_editor->content() : QString();
}

void RBCodeEditDropEditor::insertSnippetNamed(const QString& name, const QVariantMap& context, bool onTop)
{
    if (m_editor)
        m_editor->insertSnippetNamed(name, context, onTop);
}

void RBCodeEditDropEditor::setInsertionPoint(qsizetype offset)
{
    KVCodeView* view = m_editor ? m_editor->codeView() : nullptr;
    if (view && view->textView())
        view->textView()->setSelectedRange({offset, 0});
}
