#pragma once

// Stand-ins for the editor, preview, server, device catalogue and window that a document talks
// to; each records what it was asked.

#include "document/RBDeviceCatalog.h"
#include "editor/RBDocumentEditor.h"
#include "document/RBDocumentPreview.h"
#include "document/RBDocumentServer.h"
#include "document/RBDocumentServices.h"
#include "document/RBDocumentWindowInterface.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class FakeEditor : public QObject, public RBDocumentEditor {
public:
    QString text;
    int replaceCount = 0;
    std::function<void()> onContent; // runs inside content(), as if during a save
    std::function<void()> onReplace; // runs after replaceAllText(), as the real editor's edit report
    QString content() const override
    {
        if (onContent)
            onContent();
        return text;
    }
    void setContent(const QString& t) override { text = t; }
    void replaceAllText(const QString& t) override
    {
        text = t;
        ++replaceCount;
        if (onReplace)
            onReplace();
    }
};

class FakePreview : public QObject, public RBDocumentPreview {
public:
    int reloads = 0;
    int deviceUpdates = 0;
    int orientationChanges = 0;
    QStringList scripts;
    QStringList serverProblems;
    QJsonValue nextResult;
    QString nextError;
    void reload(RBDocument*) override { ++reloads; }
    void updateDevice() override { ++deviceUpdates; }
    void orientationChanged() override { ++orientationChanges; }
    void showServerProblem(const QString& message) override { serverProblems << message; }
    void evaluateCoffeeScript(const QString& script, EvaluationHandler handler) override
    {
        scripts << script;
        handler(nextResult, nextError);
    }
};

class FakeServer : public QObject, public RBDocumentServer {
public:
    QStringList mounts;
    QStringList unmounts;
    QStringList evals;
    QString mountError;
    // Unmounts are answered only when the test says so.
    std::vector<MountHandler> unmountAnswers;
    QString url() const override { return "http://127.0.0.1:8123"; }
    void mount(const QString& path, MountHandler handler) override;
    void unmount(const QString& path, MountHandler handler) override
    {
        unmounts << path;
        unmountAnswers.push_back(std::move(handler));
    }
    void eval(const QString& script) override { evals << script; }
};

class FakeCatalog : public RBDeviceCatalog {
public:
    QString defaultDevice() const override { return "phone"; }
    bool deviceIsFullscreen(const QString& id) const override { return id == "fullscreen"; }
    bool deviceSupportsHand(const QString& id) const override { return id == "phone"; }
    bool deviceCanBeMappedToNewDevice(const QString& id) const override { return id == "old-phone"; }
};

class FakeWindow : public QObject, public RBDocumentWindowInterface {
public:
    QPointer<QWidget> widget = new QWidget; // a closed document deletes its window
    ~FakeWindow() override { delete widget.data(); }
    bool picker = true, hands = true, orientation = true, scale = true;
    int scaleEntry = -1;
    QWidget* window() const override { return widget.data(); }
    void setDevicePickerEnabled(bool e) override { picker = e; }
    void setHandsEnabled(bool e) override { hands = e; }
    void setOrientationEnabled(bool e) override { orientation = e; }
    void setDeviceScaleEnabled(bool e) override { scale = e; }
    void selectDeviceScaleEntry(int i) override { scaleEntry = i; }
};

// Opens the project folder in the real document window, as the document controller does, with
// `program` (by default "box = new Layer") as its program; with `saved` false an untitled project opens instead. The
// window is shown. Null, with the reason, when the folder could not be read.
RBDocument* openInDocumentWindow(RBDocumentServices services, const QString& project, bool saved, QString* error,
                                 const QByteArray& program = "box = new Layer\n");

// Temporary trash, user defaults and shared document controller for one test program.
void useTemporaryUserFolders();
