// The completion popup over the 1,000-line program in the whole editor, offscreen. Prints:
//   keystroke to completion popup ms   from the key that opens the popup to the popup painted
//                                      with its rows (median of 50): the completion request, the
//                                      sizing and placing, and the paint
//   completion typing keystroke p95 ms one character typed while the popup is open: the edit,
//                                      the popup's refresh and both repaints
//   plain typing keystroke p95 ms      the same characters with completion switched off, the
//                                      peer of the line above
#include "autocomplete/KVAutoCompleteWindow.h"
#include "CodeTextView/KVCodeLineNumbersManager.h"
#include "compiler/CodeTranspiler.h"
#include "support/BenchSupport.h"
#include "support/EditorBenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using benchsupport::ms;
using benchsupport::percentile;

int main(int argc, char** argv)
{
    benchsupport::prepareOffscreenEditor();
    QApplication app(argc, argv);

    const QString program = benchsupport::benchmarkProgram();
    if (program.isEmpty()) {
        std::fprintf(stderr, "app1000.coffee not found\n");
        return 1;
    }

    benchsupport::EditorWithPopup editor;
    RBCodeEditViewController& controller = editor.controller;
    KVAutoCompleteController& popup = editor.popup;
    KVCodeTextView* textView = editor.textView;
    editor.showCompiled(program);

    // A new line in the middle of the program, its word typed but for the last letter.
    const auto startLine = [&](int round) {
        popup.completeEnd();
        const int lineIndex = 300 + (round % 25) * 20;
        controller.codeView()->scrollToLineIndex(lineIndex, false);
        const qsizetype at = textView->lineNumbersManager()->lineRangeForLineIndex(lineIndex).location;
        textView->setSelectedRange({at, 0});
        textView->insertText(QStringLiteral("la\n"));
        textView->setSelectedRange({at + 2, 0});
        popup.completeEnd();
        QApplication::processEvents();
    };

    std::vector<double> opens;
    for (int round = 0; round < 50; ++round) {
        startLine(round);
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(textView, 'y');
        if (!benchsupport::spinUntil([&] { return popup.isPopupVisible(); }, 5000)) {
            std::fprintf(stderr, "the popup did not open\n");
            return 1;
        }
        popup.window()->repaint();
        opens.push_back(ms(timer));
    }

    // Typing with the popup open (each key refreshes it), and the same keys without completion.
    std::vector<double> open;
    std::vector<double> plain;
    for (int round = 0; round < 20; ++round) {
        for (bool completing : {true, false}) {
            textView->setAutoCompleteDelay(completing ? 0 : -1);
            startLine(round);
            for (const char key : {'y', 'e', 'r'}) {
                QElapsedTimer timer;
                timer.start();
                QTest::keyClick(textView, key);
                QApplication::processEvents();
                textView->viewport()->repaint();
                if (popup.isPopupVisible())
                    popup.window()->repaint();
                (completing ? open : plain).push_back(ms(timer));
            }
        }
    }
    popup.completeEnd();
    std::printf("keystroke to completion popup ms: %.1f\n", percentile(opens, 0.5));
    std::printf("completion typing keystroke p95 ms: %.2f\n", percentile(open, 0.95));
    std::printf("plain typing keystroke p95 ms: %.2f\n", percentile(plain, 0.95));
    return 0;
}
