// The prototyping library and the viewer script in a real web engine, driven the way the
// preview drives them: programs compiled from CoffeeScript are injected after a reset.
#include "RuntimePage.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>


namespace {

QJsonObject iphone6s()
{
    return QJsonObject{{"deviceType", "apple-iphone-6s-silver"}, {"deviceScale", ""}, {"contentScale", ""},
                       {"orientation", ""}, {"selectedHand", ""}};
}

// The 1-based line of the compiled program that holds the text.
int lineOf(const QString& program, const QString& text)
{
    const QStringList lines = program.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].contains(text))
            return i + 1;
    return -1;
}

QJsonObject rectOf(RuntimePage& page, const QString& element)
{
    return page.eval(QStringLiteral("(function(){ var r = %1.getBoundingClientRect();"
                                    " return {left: r.left, top: r.top, right: r.right, bottom: r.bottom}; })()")
                         .arg(element)).toObject();
}

bool inside(const QJsonObject& inner, const QJsonObject& outer)
{
    return inner["left"].toDouble() >= outer["left"].toDouble() - 0.5
        && inner["top"].toDouble() >= outer["top"].toDouble() - 0.5
        && inner["right"].toDouble() <= outer["right"].toDouble() + 0.5
        && inner["bottom"].toDouble() <= outer["bottom"].toDouble() + 0.5;
}

class ZelvorLibraryPage : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(page.load()) << "the page did not load"; }
    RuntimePage page{iphone6s()};
};

} // namespace

TEST_F(ZelvorLibraryPage, RunsLayersAnimationAndClickInsideTheDevice)
{
    page.run(RuntimePage::fixtureProgram("layers"));
    EXPECT_EQ(page.eval("ZelvorStudio.runtime.layers.length").toInt(), 4);
    const QJsonObject boxFrame = page.eval("Layer.select('box').frame").toObject();
    EXPECT_EQ(boxFrame, (QJsonObject{{"x", 100}, {"y", 200}, {"width", 300}, {"height", 300}}));
    EXPECT_EQ(page.eval("Layer.select('child').screenFrame").toObject(),
              (QJsonObject{{"x", 150}, {"y", 250}, {"width", 100}, {"height", 100}}));
    EXPECT_EQ(page.eval("Screen.size").toObject(), (QJsonObject{{"width", 750}, {"height", 1334}}));

    // The animation reaches its end value and says so.
    ASSERT_TRUE(testsupport::waitUntil([&] { return page.eval("window.animationEnded").toDouble() == 400; }));
    EXPECT_EQ(page.eval("Layer.select('mover').x").toDouble(), 400);

    // A real click at the box's place on screen reaches its handler.
    const QJsonObject box = rectOf(page, "Layer.select('box')._element");
    const double cx = (box["left"].toDouble() + box["right"].toDouble()) / 2 + 30;
    const double cy = (box["top"].toDouble() + box["bottom"].toDouble()) / 2 + 30;
    page.eval(QStringLiteral("document.elementFromPoint(%1, %2).dispatchEvent(new MouseEvent('click', {bubbles: true}))")
                  .arg(cx).arg(cy));
    EXPECT_EQ(page.eval("window.clicks").toInt(), 1);
    EXPECT_EQ(page.eval("Layer.select('box').backgroundColor.toHexString()").toString(), "#ffff00");

    // Everything is drawn inside the device's screen, which is inside the device frame.
    const QJsonObject screen = rectOf(page, "Zelvor.Device.screenElement");
    const QJsonObject device = rectOf(page, "Zelvor.Device.imageElement");
    EXPECT_TRUE(inside(screen, device));
    EXPECT_TRUE(inside(box, screen));
    EXPECT_TRUE(inside(rectOf(page, "Layer.select('mover')._element"), screen));
    EXPECT_GT(page.eval("Zelvor.Device.imageElement.naturalWidth").toInt(), 0) << "the frame image did not load";

    const QImage shot = page.screenshot();
    ASSERT_FALSE(shot.isNull());
    const double ratio = shot.width() / 500.0;
    auto pixel = [&](double x, double y) { return shot.pixelColor(int(x * ratio), int(y * ratio)); };
    // The box, now yellow, and the green child at their places on screen.
    EXPECT_EQ(pixel(cx, cy).name(), "#ffff00");
    EXPECT_EQ(pixel((box["left"].toDouble() * 5 + box["right"].toDouble()) / 6 + 40,
                    (box["top"].toDouble() * 5 + box["bottom"].toDouble()) / 6 + 40).name(), "#00ff00");
    // The light front of the silver frame between the device's edge and its screen.
    const double bodyX = (device["left"].toDouble() + screen["left"].toDouble()) / 2;
    const QColor body = pixel(bodyX, (screen["top"].toDouble() + screen["bottom"].toDouble()) / 2);
    EXPECT_LT(qAbs(body.red() - 0xf6) + qAbs(body.green() - 0xf6) + qAbs(body.blue() - 0xf4), 12) << body.name().toStdString();
    // Outside the device the canvas background.
    EXPECT_EQ(pixel(2, 2).name(), "#1e1e20");
    if (!qEnvironmentVariableIsEmpty("ZELVOR_TEST_SCREENSHOT"))  // to look at it
        shot.save(qEnvironmentVariable("ZELVOR_TEST_SCREENSHOT"));
}

TEST_F(ZelvorLibraryPage, ResetLeavesNothingOfThePreviousProgram)
{
    page.run(RuntimePage::fixtureProgram("layers"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return page.eval("window.ticks").toInt() > 2; }));
    page.eval("Canvas.on('click', function() { window.canvasClicks = (window.canvasClicks || 0) + 1; })");
    page.run(RuntimePage::fixtureProgram("second"));

    EXPECT_EQ(page.eval("ZelvorStudio.runtime.layers.map(function(l) { return l.name; })").toArray(),
              QJsonArray{"only"});
    EXPECT_EQ(page.eval("document.querySelectorAll('.zelvor-layer').length").toInt(), 1);
    EXPECT_EQ(page.eval("Layer.select('only').id").toInt(), 1);
    EXPECT_EQ(page.eval("ZelvorStudio.runtime.animations.length").toInt(), 0);
    EXPECT_EQ(page.eval("Object.keys(ZelvorStudio.runtime.timers).length").toInt(), 0);
    // The interval of the first program no longer runs, nor does its canvas listener.
    const int ticks = page.eval("window.ticks").toInt();
    testsupport::spin(150);
    EXPECT_EQ(page.eval("window.ticks").toInt(), ticks);
    page.eval("document.body.dispatchEvent(new MouseEvent('click', {bubbles: true}))");
    EXPECT_TRUE(page.eval("window.canvasClicks").isNull());
}

TEST_F(ZelvorLibraryPage, PlainTimersOfAProgramEndWithItsRunButThoseOfThePageStay)
{
    // The page's own timer (as the application sets one to send a setting) outlives the runs.
    page.eval("window.setTimeout(function () { window.pageTimer = 1; }, 300)");
    // The first run's timeout must still be pending when the second run replaces it; the times
    // are read on the page's own clock, and a machine too busy for one delay gets a longer one.
    bool checked = false;
    for (const int lateMs : {1500, 4000, 10000}) {
        page.eval("(window.plainTicks = 0, window.frameCount = 0, window.late = null)");
        page.run(RuntimePage::compile(QStringLiteral(
            "window.firstRunAt = performance.now()\n"
            "setInterval (-> window.plainTicks = (window.plainTicks or 0) + 1), 10\n"
            "setTimeout (-> window.late = 1), %1\n"
            "tick = ->\n  window.frameCount = (window.frameCount or 0) + 1\n  requestAnimationFrame tick\n"
            "requestAnimationFrame tick\n"
            "box = new Layer\nbox.animate\n  properties: {x: 300}\n  time: 5\n").arg(lateMs)));
        ASSERT_TRUE(testsupport::waitUntil([&] { return page.eval("window.plainTicks").toInt() > 2 && page.eval("window.frameCount").toInt() > 2; }));

        page.run(RuntimePage::compile(QStringLiteral(
            "window.secondRunAt = performance.now()\nother = new Layer\nother.animate\n  properties: {x: 200}\n  time: 0.2\n")));
        if (!page.eval("window.late").isNull() || page.eval("window.secondRunAt - window.firstRunAt").toDouble() >= lateMs)
            continue;
        const int ticks = page.eval("window.plainTicks").toInt();
        const int frames = page.eval("window.frameCount").toInt();
        const QString dueOnPage = QStringLiteral("performance.now() > window.firstRunAt + %1").arg(lateMs + 300);
        ASSERT_TRUE(testsupport::waitUntil([&] { return page.eval(dueOnPage).toBool(); }, lateMs + 30000));
        EXPECT_EQ(page.eval("window.plainTicks").toInt(), ticks);
        EXPECT_EQ(page.eval("window.frameCount").toInt(), frames);
        EXPECT_TRUE(page.eval("window.late").isNull());
        EXPECT_EQ(page.eval("window.pageTimer").toInt(), 1);
        // The library's own clock still runs the new program's animation.
        EXPECT_TRUE(testsupport::waitUntil([&] { return page.eval("ZelvorStudio.runtime.layers[0].x").toDouble() == 200; }, 3000))
            << page.eval("ZelvorStudio.runtime.layers[0].x").toDouble();
        checked = true;
        break;
    }
    EXPECT_TRUE(checked) << "the second run never came before the first run's timeout, even after 10 s";
}

TEST_F(ZelvorLibraryPage, ReportsAThrowingProgramWithItsPosition)
{
    const QString program = RuntimePage::fixtureProgram("throws");
    page.takeMessages();
    page.run(program);
    const RuntimePage::Message error = page.waitForMessage("runtime.error");
    ASSERT_EQ(error.method, "runtime.error");
    const QJsonObject args = error.arguments.toObject();
    EXPECT_EQ(args["type"].toString(), "coffeescript");
    EXPECT_EQ(args["lineNumber"].toInt(), lineOf(program, "missing.x = 10"));
    // The engine points into the failing statement (at its assignment).
    const QString statement = program.split('\n').value(args["lineNumber"].toInt() - 1);
    EXPECT_GT(args["colNumber"].toInt(), statement.indexOf("missing"));
    EXPECT_LE(args["colNumber"].toInt(), statement.size());
    EXPECT_TRUE(args["message"].toString().contains("null")) << args["message"].toString().toStdString();
    // The layer made before the error stays; the page goes on.
    EXPECT_EQ(page.eval("ZelvorStudio.runtime.layers.length").toInt(), 1);
}

TEST_F(ZelvorLibraryPage, EveryCssColourFormGivesItsColourAndOtherTextIsAnErrorOnItsLine)
{
    const QList<QPair<QString, QString>> colours{
        {"hsl(200, 70%, 50%)", "rgba(38, 157, 217, 1)"},
        {"hsla(200,70%,50%,0.5)", "rgba(38, 157, 217, 0.5)"},
        {"hsl(200deg 70% 50% / 25%)", "rgba(38, 157, 217, 0.25)"},
        {"hsl(0.5turn, 100%, 50%)", "rgba(0, 255, 255, 1)"},
        {"rgb(10 20 30)", "rgba(10, 20, 30, 1)"},
        {"rgba(100%, 0%, 50%, .5)", "rgba(255, 0, 128, 0.5)"},
        {"#abc", "rgba(170, 187, 204, 1)"},
        {"#ff000080", "rgba(255, 0, 0, 0.5019607843137255)"},
        {"#f008", "rgba(255, 0, 0, 0.5333333333333333)"},
        {" RebeccaPurple ", "rgba(102, 51, 153, 1)"},
        {"transparent", "rgba(0, 0, 0, 0)"},
    };
    for (const auto& [text, expected] : colours) {
        EXPECT_EQ(page.eval(QStringLiteral("new Color(\"%1\").toString()").arg(text)).toString(),
                  expected) << text.toStdString();
        // The layer is drawn in it: the page's own style says so.
        page.eval(QStringLiteral("window.probe = new Layer({backgroundColor: \"%1\"})").arg(text));
        EXPECT_EQ(page.eval("getComputedStyle(window.probe._element).backgroundColor").toString().remove(' '),
                  page.eval(QStringLiteral("(function(){var d=document.createElement('div');d.style.backgroundColor=\"%1\";"
                                           "document.body.appendChild(d);var c=getComputedStyle(d).backgroundColor;d.remove();return c;})()")
                                .arg(text.trimmed())).toString().remove(' '))
            << text.toStdString();
    }

    for (const char* wrong : {"hsl(200, 70%)", "blurple", "#12345", "rgb(1, 2, 3deg)"}) {
        const QString program = RuntimePage::compile(QStringLiteral("a = new Layer\nb = new Layer backgroundColor: \"%1\"\n").arg(QLatin1String(wrong)));
        page.takeMessages();
        page.run(program);
        const RuntimePage::Message error = page.waitForMessage("runtime.error");
        ASSERT_EQ(error.method, "runtime.error") << wrong;
        EXPECT_EQ(error.arguments.toObject()["lineNumber"].toInt(), lineOf(program, "b = new Layer")) << wrong;
        EXPECT_TRUE(error.arguments.toObject()["message"].toString().contains(QLatin1String(wrong))) << wrong;
    }
}

TEST_F(ZelvorLibraryPage, ErrorsInCallbacksAreReportedAndThePageStaysResponsive)
{
    const QString program = RuntimePage::fixtureProgram("handlers");
    page.takeMessages();
    page.run(program);
    ASSERT_TRUE(testsupport::waitUntil([&] { return page.eval("window.delayed").toBool(); }));
    page.eval("Layer.select('target')._element.dispatchEvent(new MouseEvent('click', {bubbles: true}))");
    // The second click handler still ran after the first one threw.
    EXPECT_TRUE(page.eval("window.secondHandlerRan").toBool());

    QSet<int> lines;
    testsupport::waitUntil([&] {
        for (const RuntimePage::Message& m : page.takeMessages())
            if (m.method == "runtime.error")
                lines.insert(m.arguments.toObject()["lineNumber"].toInt());
        return lines.size() >= 3;
    });
    EXPECT_TRUE(lines.contains(lineOf(program, "undefinedFunction()")));
    EXPECT_TRUE(lines.contains(lineOf(program, "animation callback failed")));
    EXPECT_TRUE(lines.contains(lineOf(program, "null.property")));
    // The animation was not broken by its failing callback, and the page still runs programs.
    EXPECT_EQ(page.eval("Layer.select('target').y").toDouble(), 100);
    page.run(RuntimePage::fixtureProgram("second"));
    EXPECT_EQ(page.eval("ZelvorStudio.runtime.layers.length").toInt(), 1);
}

TEST_F(ZelvorLibraryPage, DeviceChangesInThePageAreSentOnlyWhenReal)
{
    page.takeMessages();
    page.eval("Zelvor.Device.setDeviceType('apple-iphone-5c-blue')");
    const RuntimePage::Message change = page.waitForMessage("device:change");
    ASSERT_EQ(change.method, "device:change");
    const QJsonObject state = change.arguments.toObject();
    EXPECT_EQ(state["deviceType"].toString(), "apple-iphone-5c-blue");
    EXPECT_EQ(state["fullScreen"].toBool(), false);
    EXPECT_EQ(page.eval("JSON.stringify(_.pick(Zelvor.Device, ['deviceType', 'orientation']))").toString(),
              "{\"deviceType\":\"apple-iphone-5c-blue\",\"orientation\":0}");
    EXPECT_EQ(page.eval("Screen.width").toInt(), 640);

    // Setting what is already shown sends nothing (the application writes values back).
    page.eval("Zelvor.Device.setDeviceType('apple-iphone-5c-blue'); Zelvor.Device.setDeviceScale('fit', true)");
    testsupport::spin(100);
    for (const RuntimePage::Message& m : page.takeMessages())
        EXPECT_NE(m.method, "device:change");

    page.eval("Zelvor.Device.setOrientation(90, true)");
    EXPECT_EQ(page.waitForMessage("device:change").arguments.toObject()["orientation"].toInt(), 90);
    EXPECT_EQ(page.eval("Screen.size").toObject(), (QJsonObject{{"width", 1136}, {"height", 640}}));

    page.takeMessages();
    page.eval("Zelvor.Device.setDeviceScale(0.5, true)");
    EXPECT_EQ(page.waitForMessage("change:phoneScale").arguments.toObject()["phoneScale"].toDouble(), 0.5);
    EXPECT_EQ(page.waitForMessage("device:change").arguments.toObject()["deviceScale"].toDouble(), 0.5);
}

TEST_F(ZelvorLibraryPage, HandsCycleOnlyWhereTheDeviceAllowsThem)
{
    EXPECT_EQ(page.eval("Zelvor.Device.nextHand()").toString(), "hand-light");
    EXPECT_EQ(page.eval("Zelvor.Device.nextHand()").toString(), "hand-dark");
    EXPECT_EQ(page.eval("Zelvor.Device.nextHand()").toString(), "");
    page.eval("Zelvor.Device.nextHand()");
    EXPECT_EQ(page.eval("Zelvor.Device.handElement.style.display").toString(), "block");
    page.eval("Zelvor.Device.setDeviceType('apple-ipad-pro-gold')");
    EXPECT_EQ(page.eval("Zelvor.Device.selectedHand").toString(), "");
    EXPECT_EQ(page.eval("Zelvor.Device.nextHand()").toString(), "");
    EXPECT_EQ(page.eval("Zelvor.Device.handElement.style.display").toString(), "none");
}

TEST(ZelvorLibraryPageBadInput, UnknownDeviceFallsBackToNoDevice)
{
    RuntimePage page(QJsonObject{{"deviceType", "nokia-3310"}, {"deviceScale", -1}, {"contentScale", ""},
                                 {"orientation", 90}, {"selectedHand", "hand-light"}});
    ASSERT_TRUE(page.load());
    EXPECT_EQ(page.eval("Zelvor.Device.deviceType").toString(), "fullscreen");
    EXPECT_EQ(page.eval("Zelvor.Device.fullScreen").toBool(), true);
    EXPECT_EQ(page.eval("Zelvor.Device.orientation").toInt(), 0);
    EXPECT_EQ(page.eval("Zelvor.Device.selectedHand").toString(), "");
    EXPECT_EQ(page.eval("Zelvor.Device.deviceScale").toString(), "fit");
    EXPECT_EQ(page.eval("Screen.size").toObject(), (QJsonObject{{"width", 500}, {"height", 800}}));
    // Scales no screen could show leave the device fitted and the content at its usual scale.
    page.eval("Zelvor.Device.setDeviceScale(1e308); Zelvor.Device.setContentScale(1e308)");
    EXPECT_EQ(page.eval("Zelvor.Device.deviceScale").toString(), "fit");
    EXPECT_EQ(page.eval("Zelvor.Device.contentScale").toDouble(), 1);
    page.eval("Zelvor.Device.setContentScale(1e-300)");
    EXPECT_EQ(page.eval("Zelvor.Device.contentScale").toDouble(), 1);
    page.eval("Zelvor.Device.setContentScale(2)");
    EXPECT_EQ(page.eval("Zelvor.Device.contentScale").toDouble(), 2);
    // An earlier identifier shows its current device.
    page.eval("Zelvor.Device.setDeviceType('iphone-6-gold-hand')");
    EXPECT_EQ(page.eval("Zelvor.Device.deviceType").toString(), "apple-iphone-6s-gold");
}

TEST_F(ZelvorLibraryPage, AnImageThatFailsToLoadLeavesTheLayerWithoutOne)
{
    page.takeMessages();
    page.run("window.pic = new Layer({image: 'images/does-not-exist.png'}); "
             "window.pic.on(Events.ImageLoadError, function() { window.imageFailed = true; });");
    ASSERT_TRUE(testsupport::waitUntil([&] { return page.eval("window.imageFailed").toBool(); }));
    EXPECT_EQ(page.eval("window.pic.image").toString(), "");
    EXPECT_EQ(page.eval("window.pic._element.style.backgroundImage").toString(), "");
    for (const RuntimePage::Message& m : page.takeMessages())
        EXPECT_NE(m.method, "runtime.error");
}

TEST_F(ZelvorLibraryPage, StatesSwitchAndCycle)
{
    page.run("window.s = new Layer({x: 0, opacity: 1}); "
             "s.states.add({left: {x: -100}, faded: {opacity: 0.2, x: 50}}); "
             "s.states.animationOptions = {time: 0.05};");
    EXPECT_EQ(page.eval("s.states.states").toArray(), (QJsonArray{"default", "left", "faded"}));
    page.eval("s.states.switchInstant('faded')");
    EXPECT_EQ(page.eval("[s.x, s.opacity, s.states.current]").toArray(), (QJsonArray{50, 0.2, "faded"}));
    page.eval("s.states.next()");  // cycles back to the start
    ASSERT_TRUE(testsupport::waitUntil([&] { return page.eval("s.x").toDouble() == 0; }));
    EXPECT_EQ(page.eval("[s.opacity, s.states.current]").toArray(), (QJsonArray{1, "default"}));
    page.eval("s.states.next('left', 'faded')");
    ASSERT_TRUE(testsupport::waitUntil([&] { return page.eval("s.x").toDouble() == -100; }));
}

TEST_F(ZelvorLibraryPage, LayersCarryTheHashOfTheCodeThatMadeThem)
{
    const QString program = RuntimePage::fixtureProgram("layers");
    page.takeMessages();
    page.run(program);
    const int line = lineOf(program, "box = new Layer");
    const int column = program.split('\n').at(line - 1).indexOf("new Layer") + 1;
    const QString hash = QStringLiteral("#js:%1:%2").arg(line).arg(column);
    EXPECT_EQ(page.eval("Layer.select('box').typeHash").toString(), hash);

    // The layer tree goes to the layer panel; a highlight from it outlines the layer.
    const RuntimePage::Message layers = page.waitForMessage("ui:layers");
    const QJsonArray roots = layers.arguments.toObject()["data"].toObject()["layers"].toArray();
    ASSERT_EQ(roots.size(), 3);
    EXPECT_EQ(roots[1].toObject()["hash"].toString(), hash);
    EXPECT_EQ(roots[1].toObject()["children"].toArray().size(), 1);
    page.eval(QStringLiteral("window._receive('ui:highlight', {data: {hash: '%1'}})").arg(hash));
    EXPECT_EQ(page.eval("document.querySelectorAll('.zelvor-highlighted').length").toInt(), 1);
    page.eval("window._receive('ui:highlight', {data: {}})");
    EXPECT_EQ(page.eval("document.querySelectorAll('.zelvor-highlighted').length").toInt(), 0);
}

// An export written by the Sketch exporter into the page's project: the loader makes its layers
// with their nesting, frames and images, answers them by name, and reads only inside the import.
TEST_F(ZelvorLibraryPage, TheImporterBuildsTheLayersOfAnExport)
{
    const QString folder = page.projectPath() + "/imported/Home@2x";
    ASSERT_TRUE(QDir().mkpath(page.projectPath() + "/imported"));
    QProcess exporter;
    exporter.start("/usr/bin/python3", {ZELVOR_SOURCE_DIR "/tests/exporters/make_export.py", folder, "2"});
    ASSERT_TRUE(exporter.waitForFinished(60000));
    ASSERT_EQ(exporter.exitCode(), 0) << exporter.readAllStandardError().toStdString();

    page.takeMessages();
    page.run("window.home = Zelvor.Importer.load('imported/Home@2x'); window.again = Importer.load('imported/Home@2x/');");
    EXPECT_EQ(page.eval("home.Home.frame").toObject(),
              (QJsonObject{{"x", 0}, {"y", 0}, {"width", 400}, {"height", 600}}));
    EXPECT_EQ(page.eval("[home['Red Bar'].superLayer.name, home.Header.superLayer.name, home.Dot.superLayer.name]")
                  .toArray(), (QJsonArray{"Header", "Home", "Icons"}));
    // Layers keep the design's frames; a shape whose border reaches past its frame has its image
    // drawn around the layer by an element of its own.
    EXPECT_EQ(page.eval("home['Red Bar'].frame").toObject(), (QJsonObject{{"x", 0}, {"y", 0}, {"width", 400}, {"height", 100}}));
    EXPECT_EQ(page.eval("home.Dot.frame").toObject(), (QJsonObject{{"x", 10}, {"y", 10}, {"width", 40}, {"height", 40}}));
    EXPECT_FALSE(page.eval("!!home['Red Bar']._imageElement").toBool());
    EXPECT_EQ(page.eval("home['Button Label'].superLayer.name").toString(), "OK Button");
    EXPECT_TRUE(page.eval("home['Red Bar'].image").toString().startsWith("imported/Home@2x/images/"));
    EXPECT_FALSE(page.eval("home.Header.image").toBool());
    EXPECT_EQ(page.eval("Object.keys(home).length").toInt(), page.eval("Object.keys(again).length").toInt());

    // The first red pixel of the preview is the bar's, in the header of the artboard.
    ASSERT_TRUE(testsupport::waitUntil([&] {
        return page.eval("home['Red Bar']._element.style.backgroundImage").toString().contains("Red")
               && page.eval("home.Dot._imageElement.style.backgroundImage").toString().contains("Dot");
    }));
    EXPECT_EQ(page.eval("(function () { var e = home.Dot._imageElement;"
                        " return [e.offsetLeft, e.offsetTop, e.offsetWidth, e.offsetHeight]; })()").toArray(),
              (QJsonArray{-2, -2, 44, 44}));
    EXPECT_EQ(page.eval("home.Dot._element.style.backgroundImage").toString(), "");
    for (const RuntimePage::Message& m : page.takeMessages())
        EXPECT_NE(m.method, "runtime.error") << m.arguments.toString().toStdString();

    // A page that cannot read files loads the tree's script, which registers it under the name
    // of the folder it came from, even when the import was moved there after the export.
    ASSERT_TRUE(QDir().rename(folder, page.projectPath() + "/imported/Moved@2x"));
    page.eval("(function(){ var s = document.createElement('script'); s.src = 'imported/Moved@2x/layers.json.js';"
              " document.head.appendChild(s); })()");
    ASSERT_TRUE(testsupport::waitUntil([&] {
        return page.eval("window.__zelvorImportedLayers && window.__zelvorImportedLayers['Moved@2x'][0].name")
                   .toString() == "Home";
    }));

    // A missing import is an error on the program's line; a tree whose image paths leave the
    // import folder gets layers without those images.
    page.run("try { Importer.load('imported/Nothing@1x') } catch (e) { window.missing = e.message }");
    EXPECT_TRUE(page.eval("window.missing").toString().contains("imported/Nothing@1x"));
    page.run("window.__zelvorImportedLayers = {'Evil@1x': [{name: 'a', frame: {x: 1, y: 2, width: 3, height: 4},"
             " image: {path: '../../secret.png'}, children: [{name: 'b', image: {path: 'http://x/y.png'}},"
             " 7, null, {name: 'c', frame: 'wrong'}]}]};"
             "window.evil = Importer.load('imported/Evil@1x');");
    EXPECT_EQ(page.eval("[evil.a.image, evil.b.image, evil.c.x, evil.a.x]").toArray(), (QJsonArray{"", "", 0, 1}));
}
