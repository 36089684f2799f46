// Speed of the live preview:
//   inject ms   from a compile success to the program having run in a warm page (evaluation
//               completed), for a 100-line program; median of 15 runs
#include "FakePreviewDocument.h"

#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "preview/RBServerController.h"
#include "webview/RBWebViewController.h"
#include "preview/RBZelvorViewController.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QWidget>

#include "support/BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using benchsupport::spinUntil;

// A program of 100 lines: layers, functions and a loop over a list.
QString program(int run)
{
    QStringList lines;
    lines << QStringLiteral("window.benchRun = %1").arg(run);
    for (int i = 0; lines.size() < 96; ++i) {
        lines << QStringLiteral("layer%1 = new Layer").arg(i);
        lines << QStringLiteral("  x: %1, y: %2, width: 40, height: 40").arg(i * 3).arg(i * 5);
        lines << QStringLiteral("square%1 = (n) -> n * n + %1").arg(i);
        lines << QStringLiteral("total%1 = (square%1(k) for k in [1..5]).length").arg(i);
    }
    lines << QStringLiteral("window.benchDone = true");
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace

int main(int argc, char** argv)
{
    benchsupport::prepareWebEnvironment();
    QApplication app(argc, argv);

    QTemporaryDir parent;
    const QDir folder(parent.filePath(QStringLiteral("Bench.zelvor"))); // only projects are served
    folder.mkpath(QStringLiteral("zelvor"));
    const QString library = QFileInfo(platform::Bundle::main().pathForResource(
        QStringLiteral("zelvor"), QStringLiteral("js"), QStringLiteral("ZelvorTemplate/zelvor"))).absolutePath();
    QFile::copy(library + QStringLiteral("/zelvor.js"), folder.filePath(QStringLiteral("zelvor/zelvor.js")));
    QFile index(folder.filePath(QStringLiteral("index.html")));
    if (!index.open(QIODevice::WriteOnly))
        return 1;
    index.write("<!DOCTYPE html><html><head><script src=\"zelvor/zelvor.js\"></script>"
                "<script src=\"zelvor/zelvor.generated.js\"></script></head><body></body></html>");
    index.close();

    RBServerController server;
    server.start();
    QString served;
    bool answered = false;
    server.mount(folder.path(), [&](const QJsonObject& reply, const QString&) {
        served = reply.value(QStringLiteral("result")).toObject().value(QStringLiteral("url")).toString();
        answered = true;
    });
    if (!spinUntil([&] { return answered; }, 30000) || served.isEmpty()) {
        std::fprintf(stderr, "the preview server did not mount the project\n");
        return 1;
    }

    FakePreviewDocument document(folder.path());
    document.setServerLocalUrl(server.url() + served);
    document.setConfigValue(QStringLiteral("updateDelay"), 0.001);
    RBZelvorViewController preview;
    preview.view()->resize(400, 600);
    preview.view()->show();
    document.setPreview(&preview);
    preview.setDocument(&document);

    QElapsedTimer clock;
    bool evaluated = false;
    bool evaluatedWell = false;
    qint64 successAt = 0;
    qint64 evaluatedAt = 0;
    platform::NotificationCenter::defaultCenter().addObserver(
        CodeTranspiler::kTranspilationSuccessNotification, document.transpiler(),
        [&](const platform::Notification&) { successAt = clock.nsecsElapsed(); });
    QObject::connect(&preview, &RBZelvorViewController::clientCodeEvaluated, [&](bool success) {
        evaluatedAt = clock.nsecsElapsed();
        evaluated = true;
        evaluatedWell = success;
    });
    clock.start();
    document.setText(program(0));
    if (!spinUntil([&] { return evaluated; }, 60000)) {
        std::fprintf(stderr, "the page never ran the program\n");
        return 1;
    }

    std::vector<double> samples;
    int failed = 0;
    for (int run = 1; run <= 18; ++run) {
        evaluated = false;
        document.setText(program(run));
        if (!spinUntil([&] { return evaluated; }, 20000)) {
            std::fprintf(stderr, "run %d never completed\n", run);
            return 1;
        }
        if (!evaluatedWell) // an injection that failed says nothing of how long one takes
            ++failed;
        else if (run > 3) // the first runs warm the page up
            samples.push_back((evaluatedAt - successAt) / 1e6);
    }
    if (samples.empty()) {
        std::fprintf(stderr, "no injection succeeded\n");
        return 1;
    }
    if (failed)
        std::fprintf(stderr, "%d injections failed and are not counted\n", failed);
    std::sort(samples.begin(), samples.end());
    std::printf("inject ms: %.1f\n", samples[samples.size() / 2]);
    server.stop();
    return 0;
}
