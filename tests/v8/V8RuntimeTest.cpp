#include "compiler/V8Runtime.h"

#include <libplatform/libplatform.h>
#include <v8.h>

#include <gtest/gtest.h>

TEST(V8Runtime, VersionGuardComparesMajorAndMinor)
{
    EXPECT_TRUE(V8Runtime::versionsMatch(V8Runtime::libraryVersion()));
    EXPECT_TRUE(V8Runtime::versionsMatch(V8Runtime::headerVersion() + QStringLiteral(".99.1-node.5")));
    EXPECT_FALSE(V8Runtime::versionsMatch(QStringLiteral("11.3.244.8")));
    EXPECT_FALSE(V8Runtime::versionsMatch(QStringLiteral("garbage")));
    EXPECT_FALSE(V8Runtime::versionsMatch(QString()));
}

TEST(V8Runtime, StartsTheEngineAndEvaluatesAScript)
{
    QString error;
    ASSERT_TRUE(V8Runtime::initialize(nullptr, &error)) << error.toStdString();
    ASSERT_TRUE(V8Runtime::initialize()); // a second call is harmless

    v8::Isolate::CreateParams params;
    params.array_buffer_allocator = v8::ArrayBuffer::Allocator::NewDefaultAllocator();
    v8::Isolate* isolate = v8::Isolate::New(params);
    {
        v8::Locker locker(isolate);
        v8::Isolate::Scope isolateScope(isolate);
        v8::HandleScope handles(isolate);
        v8::Local<v8::Context> context = v8::Context::New(isolate);
        v8::Context::Scope contextScope(context);
        const char* source = "JSON.stringify([1, 2, 3].map(function (x) { return x * x; }))";
        v8::Local<v8::Script> script =
            v8::Script::Compile(context, v8::String::NewFromUtf8(isolate, source).ToLocalChecked()).ToLocalChecked();
        v8::Local<v8::Value> result = script->Run(context).ToLocalChecked();
        v8::String::Utf8Value text(isolate, result);
        EXPECT_STREQ(*text, "[1,4,9]");
    }
    isolate->Dispose();
    delete params.array_buffer_allocator;
}
