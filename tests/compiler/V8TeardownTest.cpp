// Shutting the engine down ends V8 for the whole process, so it has an executable of its own.
#include "compiler/V8Runtime.h"
#include "compiler/V8Wrapper.h"

#include "StreamCapture.h"

#include <gtest/gtest.h>

namespace {

TEST(V8TeardownTest, AfterTeardownNewEnginesRefuseInsteadOfCrashing)
{
    StreamCapture out;
    {
        V8Wrapper v8(out.file());
        ASSERT_TRUE(v8.isReady());
        EXPECT_EQ(v8.evaluate(QStringLiteral("6 * 7")), QStringLiteral("42"));
    }
    V8Wrapper::teardown();
    EXPECT_FALSE(V8Runtime::isInitialized());
    QString error;
    EXPECT_FALSE(V8Runtime::initialize(nullptr, &error));
    EXPECT_EQ(error, QStringLiteral("V8 was shut down"));

    V8Wrapper late(out.file());
    EXPECT_FALSE(late.isReady());
    EXPECT_EQ(late.evaluate(QStringLiteral("1")), QString());
    EXPECT_EQ(late.invoke(QStringLiteral("m"), QStringLiteral("o"), QStringLiteral("[]")), QString());
    V8Wrapper::teardown(); // a second one does nothing
}

} // namespace
