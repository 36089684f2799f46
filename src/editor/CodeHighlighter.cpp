#include "editor/CodeHighlighter.h"

#include "CodeTextView/KVCodeLayoutManager.h"
#include "CodeTextView/KVCodeTextView.h"
#include "compiler/CodeTranspiler.h"
#include "model/AST_OrArray.h"
#include "model/CodeLines.h"
#include "platform/gui/ColorExtras.h"

#include <cmath>

const QString CodeHighlighter::DimmedAttribute = QStringLiteral("dimmed");

CodeHighlighter::CodeHighlighter(KVCodeTextView* textView, CodeTranspiler* transpiler)
    : m_textView(textView), m_transpiler(transpiler)
{
    if (KVCodeLayoutManager* manager = layoutManager())
        manager->setDelegate(this);
}

CodeHighlighter::~CodeHighlighter()
{
    KVCodeLayoutManager* manager = layoutManager();
    if (manager && manager->delegate() == this)
        manager->setDelegate(nullptr);
}

KVCodeLayoutManager* CodeHighlighter::layoutManager() const
{
    return m_textView ? m_textView->layoutManager() : nullptr;
}

std::optional<platform::TextRange> CodeHighlighter::wholeText() const
{
    if (!m_transpiler || !m_transpiler->coffeeLines() || !m_textView)
        return std::nullopt;
    const qsizetype compiled = m_transpiler->coffeeLines()->code().size();
    return platform::TextRange{0, qMin(compiled, m_textView->textLength())};
}

QList<platform::TextRange> CodeHighlighter::highlightLayer(const QString& hash)
{
    KVCodeLayoutManager* manager = layoutManager();
    const auto whole = wholeText();
    if (!manager || !whole)
        return {};
    QList<platform::TextRange> ranges;
    if (!hash.isEmpty()) {
        for (const platform::TextRange& range : layerLineRanges(hash)) {
            // The compiled text may be longer than the text now shown (a later edit that did
            // not compile): keep only what exists.
            const qsizetype start = qBound<qsizetype>(0, range.location, whole->length);
            const qsizetype end = qBound<qsizetype>(start, range.end(), whole->length);
            ranges.append({start, end - start});
        }
        m_highlightedLayerHash = hash;
    }
    // Only the lines whose look changes are marked again and redrawn: pointing from one layer
    // to the next, or dimming again after a recolouring, touches a few lines, not the program.
    manager->setTemporaryAttributeExcept(DimmedAttribute, QString(""), *whole, ranges);
    m_dimming = true;
    return ranges;
}

const QList<platform::TextRange>& CodeHighlighter::layerLineRanges(const QString& hash)
{
    const ASTNodePtr& ast = m_transpiler->ast();
    const std::shared_ptr<CodeLines>& lines = m_transpiler->coffeeLines();
    if (m_rangesAst.lock() != ast || m_rangesLines.lock() != lines) {
        m_rangesByHash.clear();
        m_rangesAst = ast;
        m_rangesLines = lines;
    }
    const auto cached = m_rangesByHash.constFind(hash);
    if (cached != m_rangesByHash.cend())
        return *cached;
    QList<platform::TextRange> ranges;
    if (ast && lines) {
        for (const ASTNodePtr& node : ast->getNodesWithTypeHash(hash)) {
            if (node && node->parent() && node->location())
                ranges.append(lines->locationToFullLinesRange(*node->location()));
        }
    }
    return *m_rangesByHash.insert(hash, ranges);
}

void CodeHighlighter::reset()
{
    m_highlightedLayerHash.reset();
    KVCodeLayoutManager* manager = layoutManager();
    if (!manager || !m_textView || !m_dimming)
        return;
    const auto whole = wholeText();
    if (!whole)
        return;
    // The whole text view, not only the compiled length: a mark must never outlive a reset.
    // Only the marked lines change.
    const platform::TextRange all{0, m_textView->textLength()};
    manager->setTemporaryAttributeExcept(DimmedAttribute, QString(""), all, {all});
    m_dimming = false;
}

void CodeHighlighter::redraw()
{
    if (m_highlightedLayerHash)
        highlightLayer(*m_highlightedLayerHash);
}

QColor CodeHighlighter::colorToGrayScale(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    const double grey = std::sqrt(0.216 * rgb.redF() / kDimFactor + 0.7152 * rgb.greenF() / kDimFactor
                                  + 0.0722 * rgb.blueF() / kDimFactor);
    return QColor::fromRgbF(float(grey), float(grey), float(grey), rgb.alphaF());
}

QVariantMap CodeHighlighter::shouldUseTemporaryAttributes(KVCodeLayoutManager*, const QVariantMap& attributes,
                                                          bool forDrawingToScreen, qsizetype)
{
    // Printed or exported text is drawn plain.
    if (!forDrawingToScreen)
        return {};
    const QVariant dimmed = attributes.value(DimmedAttribute);
    if (!dimmed.isValid() || dimmed.toString() != QString(""))
        return attributes;
    QVariantMap changed = attributes;
    const QVariant foreground = attributes.value(QStringLiteral("foreground"));
    const QColor colour = foreground.canConvert<QColor>() && foreground.value<QColor>().isValid()
        ? foreground.value<QColor>()
        : platform::colorWithHexColorString(QStringLiteral("FFFFFF"));
    changed.insert(QStringLiteral("foreground"), colorToGrayScale(colour));
    return changed;
}
