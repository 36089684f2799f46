#pragma once

// An editor controller for a document without a folder, shown in an offscreen window, with
// the preview's part of the edit road played by PreviewStandIn: each compile of the editor's
// transpiler becomes the state update the preview posts for it.

#include "compiler/CodeTranspiler.h"
#include "document/RBDocument.h"
#include "editor/RBCodeEditViewController.h"
#include "platform/UserDefaults.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class PreviewStandIn {
public:
    PreviewStandIn(CodeTranspiler* transpiler, QObject* document);
    ~PreviewStandIn();
    int failures = 0;
    int successes = 0;

private:
    QObject m_owner;
};

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the whole text as a user would (select all, type) and waits for its compile.
    void typeText(const QString& text);
    // Waits until the next compile after `before` failures and successes has been reported.
    bool waitForCompile(int failuresBefore, int successesBefore, int timeoutMs = 10000);
    bool waitForCompileOf(const QString& text);
    // Loads the program as opening a project does and waits until it compiled.
    bool loadCompiled(const QString& code);
    void setUpdateDelay(const QJsonValue& value);

    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
    std::unique_ptr<RBDocument> document;
    std::unique_ptr<RBCodeEditViewController> controller;
    std::unique_ptr<PreviewStandIn> preview;
    QStringList alerts;
};
