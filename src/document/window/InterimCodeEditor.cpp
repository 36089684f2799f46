#include "document/window/InterimCodeEditor.h"

#include "CodeTextView/KVCodeError.h"
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "compiler/CodeTranspiler.h"
#include "document/RBDocument.h"
#include "document/RBDocumentStateUpdate.h"
#include "platform/NotificationCenter.h"

InterimCodeEditor::InterimCodeEditor(RBDocument& document, QObject* parent)
    : QObject(parent)
    , m_document(&document)
    , m_codeView(new KVCodeView)
    , m_transpiler(new CodeTranspiler(this))
{
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(KVCodeTextView::TextDidChangeNotification, m_codeView->textView(),
                       [this](const platform::Notification&) { textDidChange(); }, this);
    center.addObserver(RBDocumentStateUpdateNotification, &document, [this](const platform::Notification& n) {
        const std::optional<RBDocumentStateUpdate> update = RBDocumentStateUpdate::fromNotification(n);
        if (!update || !m_codeView)
            return;
        if (update->isError())
            m_codeView->textView()->setErrors({KVCodeError(qsizetype(update->lineIndex()), qsizetype(update->columnIndex()), update->message())});
        else
            m_codeView->textView()->setErrors({});
    }, this);
}

InterimCodeEditor::~InterimCodeEditor()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    if (m_codeView && !m_codeView->parent())
        delete m_codeView.data();
}

QWidget* InterimCodeEditor::view() const
{
    return m_codeView.data();
}

void InterimCodeEditor::retranspile()
{
    m_transpiler->transpileFromString(content());
}

QString InterimCodeEditor::content() const
{
    return m_codeView ? m_codeView->textView()->string() : QString();
}

void InterimCodeEditor::setContent(const QString& text)
{
    if (!m_codeView)
        return;
    m_loading = true;
    m_codeView->textView()->setString(text);
    m_loading = false;
    retranspile();
}

void InterimCodeEditor::replaceAllText(const QString& text)
{
    if (!m_codeView)
        return;
    KVCodeTextView* textView = m_codeView->textView();
    textView->replaceCharactersInRange({0, textView->string().size()}, text, true);
}

void InterimCodeEditor::textDidChange()
{
    if (m_codeView)
        m_codeView->textView()->setErrors({});
    retranspile();
    if (!m_loading && m_document)
        m_document->updateChangeCount(platform::Document::ChangeDone);
}
