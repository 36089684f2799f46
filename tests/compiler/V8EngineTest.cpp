#include "compiler/V8Engine.h"

#include "platform/Dispatch.h"
#include "support/TestSupport.h"

#include <QSize>
#include <QVariantMap>

#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>

namespace {

TEST(V8EngineTest, QueueLabelsCountTheEnginesOfTheProcess)
{
    V8Engine first;
    V8Engine second;
    const QString prefix = QStringLiteral("V8EngineQueue_");
    ASSERT_TRUE(first.queueLabel().startsWith(prefix));
    const qint64 n = first.queueLabel().mid(prefix.size()).toLongLong();
    EXPECT_EQ(second.queueLabel(), prefix + QString::number(n + 1));
    EXPECT_EQ(V8Engine::nrOfInstances(), n + 2);
}

TEST(V8EngineTest, ArgumentsAreEncodedAsOneCompactJsonArray)
{
    QVariantMap options{{QStringLiteral("sourceMap"), true}};
    EXPECT_EQ(V8Engine::anyArrayToJSONString({QStringLiteral("a \"q\""), 1, 2.5, options, QVariantList{true}}),
              QStringLiteral("[\"a \\\"q\\\"\",1,2.5,{\"sourceMap\":true},[true]]"));
    EXPECT_EQ(V8Engine::anyArrayToJSONString({}), QStringLiteral("[]"));
    // Values the JSON writer rejects make the whole array empty.
    EXPECT_EQ(V8Engine::anyArrayToJSONString({1, std::nan("")}), QStringLiteral("[]"));
    EXPECT_EQ(V8Engine::anyArrayToJSONString({QVariantMap{{QStringLiteral("x"), std::numeric_limits<double>::infinity()}}}),
              QStringLiteral("[]"));
    EXPECT_EQ(V8Engine::anyArrayToJSONString({QVariant::fromValue(QSize(1, 2))}), QStringLiteral("[]"));
}

TEST(V8EngineTest, JobsRunInOrderAndAnswerOnTheMainThread)
{
    V8Engine engine;
    QStringList results;
    bool allOnMain = true;
    auto collect = [&](const QString& result) {
        allOnMain = allOnMain && platform::isMainThread();
        results << result;
    };
    engine.evaluateScript(QStringLiteral("var Box = { n: 0, add: function (k) { this.n = (this.n || 0) + k; return Box.n += k; } }; 'ready'"),
                          collect);
    engine.invokeMethod(QStringLiteral("Box"), QStringLiteral("add"), {5}, collect);
    engine.evaluateScript(QStringLiteral("Box.n"));
    engine.invokeMethod(QStringLiteral("Box"), QStringLiteral("add"), {std::nan("")}, collect); // sent as []
    engine.evaluateScript(QStringLiteral("Box.n"), collect);
    ASSERT_TRUE(testsupport::waitUntil([&] { return results.size() == 4; }));
    EXPECT_TRUE(allOnMain);
    EXPECT_EQ(results, (QStringList{QStringLiteral("\"ready\""), QStringLiteral("5"), QStringLiteral("null"),
                                    QStringLiteral("null")}));
}

TEST(V8EngineTest, DestroyingAnEngineStopsItsScriptAndDropsWhatWaits)
{
    QStringList results;
    {
        V8Engine engine;
        engine.evaluateScript(QStringLiteral("'ready'"), [&](const QString& r) { results << r; });
        ASSERT_TRUE(testsupport::waitUntil([&] { return results.size() == 1; }));
        // A script that never ends, and one behind it.
        engine.evaluateScript(QStringLiteral("for (;;) {}"), [&](const QString& r) { results << r; });
        engine.evaluateScript(QStringLiteral("'after'"), [&](const QString& r) { results << r; });
        QThread::msleep(100);
        // Without the stop, leaving this block would never end.
    }
    testsupport::waitUntil([&] { return results.size() > 2; }, 300);
    EXPECT_FALSE(results.contains(QStringLiteral("\"after\"")));
}

TEST(V8EngineTest, TwoEnginesWorkAtTheSameTimeWithoutSharingState)
{
    V8Engine a;
    V8Engine b;
    QString fromA, fromB;
    const QString busy = QStringLiteral("var t = Date.now(); while (Date.now() - t < 300) {} typeof mark");
    a.evaluateScript(QStringLiteral("var mark = 'a';"));
    a.evaluateScript(busy, [&](const QString& r) { fromA = r; });
    b.evaluateScript(busy, [&](const QString& r) { fromB = r; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return !fromA.isEmpty() && !fromB.isEmpty(); }, 10000));
    EXPECT_EQ(fromA, QStringLiteral("\"string\""));
    EXPECT_EQ(fromB, QStringLiteral("\"undefined\""));
}

} // namespace
