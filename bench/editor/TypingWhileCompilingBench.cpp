// Typing into the 1,000-line program while the editor compiles it, with the whole editor (the
// controller, its compiler front, its error display and its layer dimmer) in an offscreen
// window. Prints:
//   typing keystroke p50/p95 ms   one typed character: typing rules, recolouring, the edit road
//                                 of the controller (compile request, error reset, dimming reset)
//                                 and the repaint
//   typing compile block max ms   the longest single pass of the event loop while a compile's
//                                 result comes back, that is how long the window stays frozen
//                                 after each compile
//   typing dimming reset ms       the dimming reset that every edit and every caret move makes,
//                                 while a layer is dimmed
//   typing first/next layer dim ms
//                                 dimming all but one layer's code: the first time after a compile,
//                                 when the preview could first show the new program's layers
//                                 (150 ms later), and again
//   typing first layer dim at once ms
//                                 the first dim the moment the compile is done, before the tree is
//                                 read whole in the background (its walk then reads it)
//   typing layer switch dim ms    pointing from one layer to another while the first is dimmed
#include "CodeTextView/KVCodeLineNumbersManager.h"
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "compiler/CodeTranspiler.h"
#include "model/AST_OrArray.h"
#include "document/RBDocument.h"
#include "editor/CodeHighlighter.h"
#include "editor/RBCodeEditViewController.h"
#include "platform/UserDefaults.h"
#include "support/BenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

using benchsupport::ms;
using benchsupport::percentile;

namespace {


// Runs the event loop until the compiler front is idle with nothing waiting; answers the longest
// single pass.
double spinUntilIdle(CodeTranspiler* transpiler)
{
    double longest = 0;
    QDeadlineTimer deadline(20000);
    while (!(transpiler->isIdle() && !transpiler->hasPendingCoffeeScript()) && !deadline.hasExpired()) {
        QElapsedTimer pass;
        pass.start();
        QApplication::processEvents(QEventLoop::AllEvents, 1);
        longest = std::max(longest, ms(pass));
    }
    return longest;
}

// The hash of some layer-making node deep in the tree (the last one met), or nothing.
QString someTypeHash(const ASTNodePtr& node)
{
    QString found;
    if (!node)
        return found;
    if (node->typeHash() && node->parent())
        found = *node->typeHash();
    for (qsizetype i = 0; i < node->count(); ++i) {
        const QString inner = someTypeHash(node->getChild(i));
        if (!inner.isEmpty())
            found = inner;
    }
    return found;
}

// The hash of some layer-making node early in the tree (the first one met), or nothing.
QString firstTypeHash(const ASTNodePtr& node)
{
    if (!node)
        return {};
    if (node->typeHash() && node->parent())
        return *node->typeHash();
    for (qsizetype i = 0; i < node->count(); ++i) {
        const QString inner = firstTypeHash(node->getChild(i));
        if (!inner.isEmpty())
            return inner;
    }
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qgetenv("ZELVOR_RESOURCES").isEmpty())
        qputenv("ZELVOR_RESOURCES", ZELVOR_SOURCE_DIR "/resources");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    platform::UserDefaults defaults(dir.filePath("defaults.json"));

    const QString program = benchsupport::benchmarkProgram();
    if (program.isEmpty()) {
        std::fprintf(stderr, "app1000.coffee not found\n");
        return 1;
    }

    RBDocument document;
    RBCodeEditViewController controller(&document, nullptr, &defaults);
    controller.view()->resize(900, 700);
    controller.view()->show();
    QTest::qWaitForWindowExposed(controller.view());
    CodeTranspiler* transpiler = controller.transpiler();
    KVCodeTextView* textView = controller.codeView()->textView();
    textView->setAutoCompleteDelay(-1); // the popup is not part of this measure
    controller.setContent(program);
    spinUntilIdle(transpiler);

    // A burst of typing in the middle of the program, then a pause in which the compile of the
    // last text comes back; ten times.
    std::vector<double> keystrokes;
    std::vector<double> blocks;
    textView->setFocus();
    for (int round = 0; round < 10; ++round) {
        controller.codeView()->scrollToLineIndex(100 + round * 80, false);
        const qsizetype line = textView->lineNumbersManager()->lineRangeForLineIndex(100 + round * 80).location;
        textView->setSelectedRange({line, 0});
        QApplication::processEvents();
        for (const char key : QByteArray("# note ")) {
            if (!key)
                break;
            QElapsedTimer timer;
            timer.start();
            QTest::keyClick(textView, key);
            textView->viewport()->repaint();
            keystrokes.push_back(ms(timer));
            // About one key every 30 ms, as a quick typist; compiles run meanwhile.
            QElapsedTimer gap;
            gap.start();
            while (gap.elapsed() < 30)
                QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        blocks.push_back(spinUntilIdle(transpiler));
    }

    // The dimming reset while a layer is dimmed, as the next edit or caret move makes it.
    std::vector<double> resets;
    for (int i = 0; i < 10; ++i) {
        controller.highlighter()->highlightLayer(QString());
        QElapsedTimer timer;
        timer.start();
        controller.unhighlightLayer();
        resets.push_back(ms(timer));
    }

    // Layer dimming right after a compile: a fresh syntax tree is walked the first time.
    std::vector<double> firstDims;
    std::vector<double> atOnceDims;
    std::vector<double> nextDims;
    std::vector<double> switchDims;
    const QString layerHash = someTypeHash(transpiler->ast());
    for (int i = 0; i < 5; ++i) {
        controller.replaceAllText(program + QStringLiteral("\n# at once %1\n").arg(i));
        spinUntilIdle(transpiler);
        QElapsedTimer timer;
        timer.start();
        controller.highlightLayer(layerHash);
        atOnceDims.push_back(ms(timer));
        controller.unhighlightLayer();
    }
    for (int i = 0; i < 5; ++i) {
        controller.replaceAllText(program + QStringLiteral("\n# run %1\n").arg(i));
        spinUntilIdle(transpiler);
        // The page has to load and run the new program before a layer of it can be pointed at.
        QElapsedTimer pause;
        pause.start();
        while (pause.elapsed() < 150)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        QElapsedTimer timer;
        timer.start();
        controller.highlightLayer(layerHash);
        firstDims.push_back(ms(timer));
        timer.restart();
        controller.highlightLayer(layerHash);
        nextDims.push_back(ms(timer));
        const QString otherHash = firstTypeHash(transpiler->ast());
        controller.highlightLayer(otherHash); // the tree's first walk for that layer
        controller.highlightLayer(layerHash);
        timer.restart();
        controller.highlightLayer(otherHash);
        switchDims.push_back(ms(timer));
        controller.unhighlightLayer();
    }

    std::printf("typing keystroke p50 ms: %.2f\n", percentile(keystrokes, 0.5));
    std::printf("typing keystroke p95 ms: %.2f\n", percentile(keystrokes, 0.95));
    std::printf("typing compile block max ms: %.1f\n", percentile(blocks, 1.0));
    std::printf("typing compile block p50 ms: %.1f\n", percentile(blocks, 0.5));
    std::printf("typing dimming reset ms: %.2f\n", percentile(resets, 0.5));
    std::printf("typing first layer dim ms: %.1f\n", percentile(firstDims, 0.5));
    std::printf("typing first layer dim at once ms: %.1f\n", percentile(atOnceDims, 0.5));
    std::printf("typing next layer dim ms: %.1f\n", percentile(nextDims, 0.5));
    std::printf("typing layer switch dim ms: %.1f\n", percentile(switchDims, 0.5));
    return 0;
}
