#pragma once
#include "FakePreviewDocument.h"
#include "messages/RBDocumentStateUpdate.h"
#include "preview/ServerTestSupport.h"

#include <QTemporaryDir>
#include <QVariant>
#include <memory>
#include <vector>

class RBServerController;
class RBZelvorViewController;

// A project folder with the prototyping library, mounted on the real preview server, with a
// document whose preview is the controller under test. State updates are recorded.
class PreviewHarness {
public:
    // `indexHtml` is the project's page; empty keeps the default page.
    explicit PreviewHarness(const QString& indexHtml = QString());
    ~PreviewHarness();

    bool start(); // mounts the project; false (with a message on stderr) on failure
    // Starts with a short update delay and a first program ("window.ranValue = 1"), and waits
    // until that program ran; false on failure.
    bool startRunningFirstProgram();
    QString projectFile(const QString& relative) const;
    void writeProjectFile(const QString& relative, const QByteArray& bytes) const;

    // Evaluates the script in the preview page and waits for its value.
    QVariant pageValue(const QString& script, int timeoutMs = 10000);
    // Waits for a state update matching the predicate, among those posted since `from`.
    std::optional<RBDocumentStateUpdate> waitForUpdate(const std::function<bool(const RBDocumentStateUpdate&)>& matches,
                                                       size_t from = 0, int timeoutMs = 20000);
    std::optional<RBDocumentStateUpdate> waitForOk(size_t from = 0, int timeoutMs = 20000);

    static QString defaultIndexHtml();
    static RBServerController& server();

    servertest::TemporaryProject folder;
    std::unique_ptr<FakePreviewDocument> document;
    std::unique_ptr<RBZelvorViewController> preview;
    std::vector<RBDocumentStateUpdate> updates;
};
