// How long the page takes to reset a program of 200 layers and run one of 200 (and, as a peer,
// to reset 200 and run one layer), measured inside the page (script, style and layout), median of
// 20 runs after 3 warm-up runs.
#include "preview/RuntimePage.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double measure(RuntimePage& page, const QString& program)
{
    const QString injected = QStringLiteral("ZelvorStudio.runtime.reset();%1;\n\n//@ sourceURL=app.js").arg(program);
    const QString literal = QString::fromUtf8(QJsonDocument(QJsonArray{injected}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
    return page.eval(QStringLiteral("(function(){ var t0 = performance.now(); ZelvorStudio.runtime.evaluate(%1);"
                                    " document.body.offsetHeight; return performance.now() - t0; })()").arg(literal))
        .toDouble();
}

} // namespace

int main(int argc, char** argv)
{
    QStandardPaths::setTestModeEnabled(true);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("ZELVOR_RESOURCES"))
        qputenv("ZELVOR_RESOURCES", ZELVOR_SOURCE_DIR "/resources");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);

    RuntimePage page(QJsonObject{{"deviceType", "apple-iphone-6s-silver"}});
    if (!page.load()) {
        std::fprintf(stderr, "the page did not load\n");
        return 1;
    }
    const QString many = RuntimePage::fixtureProgram("many");
    const QString one = RuntimePage::fixtureProgram("second");
    for (int i = 0; i < 3; ++i)
        measure(page, many);
    std::vector<double> withLayers, single;
    for (int i = 0; i < 20; ++i) {
        measure(page, many);
        withLayers.push_back(measure(page, many)); // removes the 200 layers of the run before
        single.push_back(measure(page, one));      // the same
    }
    auto median = [](std::vector<double> v) { std::sort(v.begin(), v.end()); return (v[9] + v[10]) / 2; };
    const int layers = page.eval("ZelvorStudio.runtime.layers.length").toInt();
    std::printf("layers after the last run: %d\n", layers);
    std::printf("page reset and run of one layer ms: %.2f\n", median(single));
    std::printf("page reset and run ms: %.2f\n", median(withLayers));
    std::printf("goal: at most 50 ms\n");
    return 0;
}
