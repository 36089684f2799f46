// The web engine as the preview uses it: an offscreen page, a value read back with JavaScript,
// and a message from the page over a web channel.
#include "support/TestSupport.h"

#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

namespace {

class Receiver : public QObject {
    Q_OBJECT
public:
    QStringList messages;
public Q_SLOTS:
    void postMessage(const QString& message) { messages.append(message); }
};

TEST(WebEngineSmoke, LoadsAPageEvaluatesScriptAndReceivesAMessage)
{
    QWebEngineView view;
    view.resize(320, 240);
    Receiver receiver;
    QWebChannel channel;
    channel.registerObject(QStringLiteral("bridge"), &receiver);
    view.page()->setWebChannel(&channel);

    bool loaded = false;
    QObject::connect(view.page(), &QWebEnginePage::loadFinished, [&](bool ok) { loaded = ok; });
    view.setHtml(QStringLiteral(
        "<html><head><script src='qrc:///qtwebchannel/qwebchannel.js'></script></head><body>"
        "<div id='answer'>42</div><script>"
        "new QWebChannel(qt.webChannelTransport, function (c) { c.objects.bridge.postMessage('hello from page'); });"
        "</script></body></html>"));
    view.show();
    ASSERT_TRUE(testsupport::waitUntil([&] { return loaded; }, 30000));

    QVariant answer;
    bool answered = false;
    view.page()->runJavaScript(QStringLiteral("document.getElementById('answer').textContent * 2"),
                               [&](const QVariant& v) { answer = v; answered = true; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return answered; }, 10000));
    EXPECT_EQ(answer.toInt(), 84);

    ASSERT_TRUE(testsupport::waitUntil([&] { return !receiver.messages.isEmpty(); }, 10000));
    EXPECT_EQ(receiver.messages, QStringList{QStringLiteral("hello from page")});
}

} // namespace

#include "WebEngineSmokeTest.moc"
