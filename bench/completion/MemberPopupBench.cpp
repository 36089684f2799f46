// Members of a variable written a moment ago, in the whole editor over the 1,000-line program
// (whose own Layer class has "addChild"), offscreen. At its end a new variable is typed at typing speed (60 ms a key), "box = new Layer",
// Return, then its name and a dot. Prints:
//   member popup after new variable ms   from the dot to the popup showing the members of the
//                                        new layer (median of 10): the popup cannot know them
//                                        before the compile that knows the variable ends
//   member popup compile ms              the compile of the program (median), the peer of the
//                                        line above
#include "compiler/CodeTranspiler.h"
#include "model/CodeLines.h"
#include "support/BenchSupport.h"
#include "support/EditorBenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <vector>

using benchsupport::ms;
using benchsupport::percentile;

namespace {

constexpr int kKeyInterval = 60;

void typeAtTypingSpeed(KVCodeTextView* textView, const QString& keys)
{
    for (const QChar key : keys) {
        if (key == u'\n')
            QTest::keyClick(textView, Qt::Key_Return);
        else
            QTest::keyClicks(textView, QString(key));
        QTest::qWait(kKeyInterval);
    }
}

bool popupOffers(const KVAutoCompleteController& popup, const QString& word)
{
    if (!popup.isPopupVisible())
        return false;
    for (const KVAutoCompletion& item : popup.autoCompletionSet().completions())
        if (item.word() == word)
            return true;
    return false;
}

} // namespace

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
    KVAutoCompleteController& popup = editor.popup;
    KVCodeTextView* textView = editor.textView;
    editor.controller.view()->activateWindow();
    CodeTranspiler* transpiler = editor.controller.transpiler();
    const auto idle = [&] { return editor.isIdle(); };
    editor.showCompiled(program.endsWith(u'\n') ? program : program + u'\n');

    std::vector<double> popups;
    std::vector<double> compiles;
    for (int round = 0; round < 10; ++round) {
        const QString name = QStringLiteral("box%1").arg(round);
        textView->setSelectedRange({textView->string().size(), 0});
        typeAtTypingSpeed(textView, name + QStringLiteral(" = new Layer\n") + name);
        QElapsedTimer timer;
        timer.start();
        QTest::keyClicks(textView, QStringLiteral("."));
        if (!benchsupport::spinUntil([&] { return popupOffers(popup, QStringLiteral("addChild")); }, 5000)) {
            std::fprintf(stderr, "round %d: the members of %s did not show (popup %d, %lld rows, compiled %d, focus %d)\n", round,
                         qPrintable(name), popup.isPopupVisible(), (long long)popup.autoCompletionSet().completions().size(),
                         transpiler->coffeeLines() && transpiler->coffeeLines()->code().contains(name + " = new Layer"),
                         textView->hasFocus());

            popups.push_back(5000);
        } else {
            popups.push_back(ms(timer));
        }
        compiles.push_back(transpiler->duration() * 1000);
        // Leave a line that compiles for the next round.
        popup.completeEnd();
        typeAtTypingSpeed(textView, QStringLiteral("x = 1\n"));
        benchsupport::spinUntil(idle, 20000);
    }
    for (const double value : popups)
        std::fprintf(stderr, "%.1f ", value);
    std::fprintf(stderr, "\n");
    std::printf("member popup after new variable ms: %.1f\n", percentile(popups, 0.5));
    std::printf("member popup compile ms: %.1f\n", percentile(compiles, 0.5));
    return 0;
}
