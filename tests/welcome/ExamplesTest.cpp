// Every example project of the welcome window compiles with the application's compiler and
// runs in a page with the prototyping library without a run-time error, also when its layers
// are clicked and dragged.
#include "compiler/CodeTranspiler.h"
#include "platform/Bundle.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include <gtest/gtest.h>

namespace {

class RecordingPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;
    QStringList errors;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override
    {
        if (level == ErrorMessageLevel)
            errors.append(QStringLiteral("%1 (%2:%3)").arg(message, source).arg(line));
    }
};

QVariant evaluate(QWebEnginePage& page, const QString& script)
{
    QVariant result;
    bool done = false;
    page.runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    EXPECT_TRUE(testsupport::waitUntil([&] { return done; }, 10000)) << qPrintable(script.left(80));
    return result;
}

QStringList exampleFolders()
{
    const QDir examples(platform::Bundle::main().pathForResource(QStringLiteral("Examples")));
    QStringList folders;
    for (const QString& name : examples.entryList({QStringLiteral("*.zelvor")}, QDir::Dirs))
        folders.append(examples.filePath(name));
    return folders;
}

// The page reports run-time errors through its bridge; the test keeps them in the page.
const char* const kBridge = R"(
window.__errors = [];
window._bridge = function (method, args) {
  if (method === 'runtime.error') window.__errors.push(args.message + ' @' + args.lineNumber);
};
)";

// Clicks every layer, then drags every draggable layer well to the side and down.
const char* const kInteract = R"(
(function () {
  var layers = Layer.all();
  layers.forEach(function (l) {
    if (l._element) l._element.dispatchEvent(new MouseEvent('click', {bubbles: true}));
  });
  Layer.all().forEach(function (l) {
    if (!l._draggable || !l._draggable.enabled || !l._element) return;
    var r = l._element.getBoundingClientRect();
    var x = r.left + 5, y = r.top + 5;
    l._element.dispatchEvent(new PointerEvent('pointerdown', {bubbles: true, clientX: x, clientY: y}));
    window.dispatchEvent(new PointerEvent('pointermove', {clientX: x + 200, clientY: y + 300}));
    window.dispatchEvent(new PointerEvent('pointerup', {clientX: x + 200, clientY: y + 300}));
  });
  return layers.length;
})()
)";

} // namespace

TEST(Examples, EachCompilesAndRunsWithoutErrors)
{
    const QStringList folders = exampleFolders();
    ASSERT_GE(folders.size(), 4);
    CodeTranspiler transpiler;
    QWebEngineProfile profile; // off the record: nothing is stored
    for (const QString& folder : folders) {
        SCOPED_TRACE(qPrintable(QFileInfo(folder).fileName()));
        ASSERT_TRUE(QFileInfo(folder + "/zelvor/zelvor.js").isFile()) << "the library is copied in by the build";
        ASSERT_TRUE(QFileInfo(folder + "/index.html").isFile());

        transpiler.transpileFromString(testsupport::readFile(folder + "/app.coffee"));
        ASSERT_TRUE(testsupport::waitUntil(
            [&] { return transpiler.isIdle() && !transpiler.hasPendingCoffeeScript(); }, 30000));
        ASSERT_FALSE(transpiler.isStale()) << "compile error";
        const QString program = transpiler.javaScript();
        ASSERT_FALSE(program.isEmpty());

        RecordingPage page(&profile);
        QWebEngineScript bridge;
        bridge.setSourceCode(QString::fromLatin1(kBridge));
        bridge.setInjectionPoint(QWebEngineScript::DocumentCreation);
        bridge.setWorldId(QWebEngineScript::MainWorld);
        page.scripts().insert(bridge);
        bool loaded = false;
        QObject::connect(&page, &QWebEnginePage::loadFinished, [&](bool ok) { loaded = ok; });
        QWebEngineView view;
        view.setPage(&page);
        view.resize(375, 667); // a phone's screen: the programs lay out by its size
        view.show();
        page.load(QUrl::fromLocalFile(folder + "/index.html"));
        ASSERT_TRUE(testsupport::waitUntil([&] { return loaded; }, 20000));
        ASSERT_EQ(evaluate(page, "typeof Layer").toString(), "function");

        evaluate(page, "try {\n" + program + "\n} catch (e) { window.__errors.push(String(e && e.stack || e)); }");
        testsupport::spin(600);
        EXPECT_GT(evaluate(page, QString::fromLatin1(kInteract)).toInt(), 3);
        testsupport::spin(900);
        const QStringList errors = evaluate(page, "window.__errors").toStringList() + page.errors;
        EXPECT_TRUE(errors.isEmpty()) << qPrintable(errors.join("\n"));
    }
}
