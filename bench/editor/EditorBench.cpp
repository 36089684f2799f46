// Opening a 10,000-line CoffeeScript file in the editor and typing into it, in an offscreen
// window. Prints "editor open ms: N" (text set, first colouring, first paint) and
// "keystroke p95 ms: N" (one typed character with its typing rules, the recolouring of the
// visible text, the text-changed notification, the events the key posted and the repaint of its
// frame; keys come one a frame).
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QString coffeeFile(int lines)
{
    const QStringList pattern = {
        "# Layer %1: a card that follows the finger",
        "card%1 = new Layer",
        "\twidth: 200, height: 120, backgroundColor: \"rgba(255, 0, 0, 0.5)\"",
        "\tname: \"card #{%1}\"",
        "card%1.draggable.enabled = true",
        "card%1.onTap (event, layer) ->",
        "\tlayer.animate",
        "\t\tproperties: {x: layer.x + 10, opacity: 0.5}",
        "\t\ttime: 0.25 unless layer.isAnimating",
        "values%1 = (n * 2 for n in [1..10] when n isnt 3)",
    };
    QString text;
    for (int i = 0; i < lines; ++i) {
        const QString& line = pattern.at(i % pattern.size());
        text += (line.contains(QLatin1String("%1")) ? line.arg(i / pattern.size()) : line) + u'\n';
    }
    return text;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    platform::UserDefaults defaults(dir.filePath("defaults.json"));

    const QString text = coffeeFile(10000);
    std::vector<double> opens;
    for (int run = 0; run < 5; ++run) {
        KVCodeView view(nullptr, &defaults);
        view.resize(900, 700);
        view.show();
        QTest::qWaitForWindowExposed(&view);
        QElapsedTimer timer;
        timer.start();
        view.textView()->setString(text);
        view.repaint();
        opens.push_back(double(timer.nsecsElapsed()) / 1e6);
    }

    KVCodeView view(nullptr, &defaults);
    view.resize(900, 700);
    view.show();
    QTest::qWaitForWindowExposed(&view);
    KVCodeTextView* textView = view.textView();
    textView->setString(text);
    textView->setAutoCompleteDelay(-1); // the popup is not part of this measure
    std::vector<double> keystrokes;
    const char keys[] = "a(b'c\"d[e";
    for (int i = 0; i < 400; ++i) {
        if (i % 40 == 0) {
            view.scrollToLineIndex(i * 20, false);
            const auto lines = textView->lineNumbersManager();
            Q_UNUSED(lines);
            textView->setSelectedRange({textView->visibleRange().location, 0});
            QApplication::processEvents();
        }
        QElapsedTimer timer;
        timer.start();
        if (i % 10 == 9)
            QTest::keyClick(textView, Qt::Key_Return);
        else
            QTest::keyClick(textView, keys[i % (sizeof(keys) - 1)]);
        // The key counts until its frame is painted, with everything it posted done first.
        QApplication::processEvents();
        textView->viewport()->repaint();
        keystrokes.push_back(double(timer.nsecsElapsed()) / 1e6);
        // Keys come one a frame (60 Hz); whatever else the key started runs in the rest of it.
        while (timer.nsecsElapsed() < 16'666'667)
            QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    std::printf("editor open ms: %.1f\n", percentile(opens, 0.5));
    // Bad input, for reference: a file of about 50 MB and a single line of 1 MB.
    if (qEnvironmentVariableIsSet("ZELVOR_BENCH_LARGE")) {
        for (const QString& big : {coffeeFile(50 * 1024 * 1024 / 40), QString(1 << 20, u'x')}) {
            KVCodeView large(nullptr, &defaults);
            large.resize(900, 700);
            large.show();
            QTest::qWaitForWindowExposed(&large);
            QElapsedTimer timer;
            timer.start();
            large.textView()->setString(big);
            large.repaint();
            const double shown = double(timer.nsecsElapsed()) / 1e6;
            // The longest wait between two events while the rest is read.
            double longestStall = 0;
            QElapsedTimer stall;
            while (large.textView()->isLoading()) {
                stall.start();
                QApplication::processEvents();
                longestStall = std::max(longestStall, double(stall.nsecsElapsed()) / 1e6);
                if (qEnvironmentVariableIsSet("ZELVOR_BENCH_TRACE"))
                    std::printf("  step %.1f ms\n", double(stall.nsecsElapsed()) / 1e6);
            }
            std::printf("large open ms (%lld characters): shown %.1f, read %.1f, longest stall %.1f\n",
                        (long long)big.size(), shown, double(timer.nsecsElapsed()) / 1e6, longestStall);
        }
    }
    std::printf("keystroke p95 ms: %.2f\n", percentile(keystrokes, 0.95));
    return 0;
}
