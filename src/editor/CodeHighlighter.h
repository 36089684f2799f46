#pragma once

#include "CodeTextView/KVCodeLayoutManagerDelegate.h"
#include "platform/StringExtras.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

class AST_OrArray;
class CodeLines;
class CodeTranspiler;
class KVCodeLayoutManager;
class KVCodeTextView;

// Shows which code made a layer: dims all text but the whole lines of the syntax-tree nodes
// that carry the layer's type hash. It never touches the text: it marks ranges with the
// temporary attribute "dimmed" of the text view's layout manager and, as that layout manager's
// delegate, draws marked text in a darkened grey. The nodes come from the transpiler's last
// successful compile; ranges are clamped to the text as it stands, which may be shorter than
// what was compiled. Main thread only.
class CodeHighlighter : public KVCodeLayoutManagerDelegate {
public:
    static constexpr double kDimFactor = 12.0;
    static const QString DimmedAttribute; // "dimmed"

    // Becomes the delegate of the text view's layout manager.
    CodeHighlighter(KVCodeTextView* textView, CodeTranspiler* transpiler);
    ~CodeHighlighter() override;
    CodeHighlighter(const CodeHighlighter&) = delete;
    CodeHighlighter& operator=(const CodeHighlighter&) = delete;

    // Dims everything but the lines of the layer's nodes and answers those line ranges, in the
    // order of the tree (they may overlap or repeat). The empty hash dims everything. Only lines
    // whose look changes are laid out and drawn again.
    QList<platform::TextRange> highlightLayer(const QString& hash);
    // Removes all dimming. Cheap when nothing is dimmed, as it is on almost every edit and caret
    // move; otherwise only the dimmed lines are laid out and drawn again.
    void reset();
    bool isDimming() const { return m_dimming; }
    // Dims again for the hash last highlighted (after a recolouring removed the marks).
    void redraw();
    std::optional<QString> highlightedLayerHash() const { return m_highlightedLayerHash; }

    QVariantMap shouldUseTemporaryAttributes(KVCodeLayoutManager* layoutManager, const QVariantMap& attributes,
                                             bool forDrawingToScreen, qsizetype characterIndex) override;

    // The colour in grey: sqrt of the weighted red, green and blue, each divided by kDimFactor,
    // with the colour's own alpha.
    static QColor colorToGrayScale(const QColor& colour);

private:
    KVCodeLayoutManager* layoutManager() const;
    // The compiled text's whole range, clamped to the text view's text; nothing without a compile.
    std::optional<platform::TextRange> wholeText() const;
    // The whole-line ranges of the layer's nodes in the last compile, in the order of the tree.
    // The tree is walked once per compile and hash: the pointer moves over the layer panel and
    // asks for the same few layers again and again.
    const QList<platform::TextRange>& layerLineRanges(const QString& hash);

    QPointer<KVCodeTextView> m_textView;
    QPointer<CodeTranspiler> m_transpiler;
    std::optional<QString> m_highlightedLayerHash;
    // Whether any text may carry the mark now.
    bool m_dimming = false;
    // The tree and line model the cached ranges were read from, and the ranges by hash.
    std::weak_ptr<AST_OrArray> m_rangesAst;
    std::weak_ptr<CodeLines> m_rangesLines;
    QHash<QString, QList<platform::TextRange>> m_rangesByHash;
};
