#include "WindowProbe.h"

#include "CodeTextView/KVCodeError.h"
#include "CodeTextView/KVCodeTextView.h"
#include "document/RBDocument.h"
#include "document/window/DocumentPreviewLink.h"
#include "document/window/RBDocumentWindow.h"
#include "webview/RBWebViewController.h"
#include "preview/RBLayerPanelViewController.h"
#include "preview/RBZelvorViewController.h"
#include "support/TestSupport.h"

#include <QTest>

#include <memory>

WindowProbe::WindowProbe(RBDocument& document)
    : m_document(&document)
{
}

RBDocumentWindow* WindowProbe::window() const
{
    return m_document ? qobject_cast<RBDocumentWindow*>(m_document->window()) : nullptr;
}

RBZelvorViewController* WindowProbe::preview() const
{
    auto* link = m_document ? dynamic_cast<DocumentPreviewLink*>(m_document->preview()) : nullptr;
    return link ? link->preview() : nullptr;
}

KVCodeTextView* WindowProbe::textView() const
{
    return window() ? window()->codeEditLeftView()->findChild<KVCodeTextView*>() : nullptr;
}

QVariant WindowProbe::pageValue(const QString& script, int timeoutMs) const
{
    RBZelvorViewController* controller = preview();
    return valueIn(controller ? controller->webViewController() : nullptr, script, timeoutMs);
}

RBLayerPanelViewController* WindowProbe::layerPanel() const
{
    RBZelvorViewController* controller = preview();
    return controller ? dynamic_cast<RBLayerPanelViewController*>(controller->layerPanelViewController()) : nullptr;
}

QVariant WindowProbe::panelValue(const QString& script, int timeoutMs) const
{
    RBLayerPanelViewController* panel = layerPanel();
    return valueIn(panel ? panel->webViewController() : nullptr, script, timeoutMs);
}

QVariant WindowProbe::valueIn(RBWebViewController* page, const QString& script, int timeoutMs)
{
    if (!page)
        return {};
    auto done = std::make_shared<bool>(false);
    auto value = std::make_shared<QVariant>();
    page->evaluateJavaScript(script, [done, value](const QVariant& result, const QVariant&) {
        *value = result;
        *done = true;
    });
    testsupport::waitUntil([done] { return *done; }, timeoutMs);
    return *value;
}

void WindowProbe::typeAtEnd(const QString& text) const
{
    KVCodeTextView* view = textView();
    if (!view)
        return;
    view->setFocus();
    view->moveCursor(QTextCursor::End);
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            QTest::keyClick(view, Qt::Key_Return);
        else
            QTest::keyClicks(view, QString(c));
    }
}

QList<int> WindowProbe::errorLines() const
{
    QList<int> lines;
    if (KVCodeTextView* view = textView())
        for (const KVCodeError& error : view->errors())
            lines << int(error.lineIndex());
    return lines;
}
