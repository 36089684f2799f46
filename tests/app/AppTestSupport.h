#pragma once

#include "app/RBApplication.h"
#include "document/RBDocumentController.h"
#include "platform/UserDefaults.h"
#include "platform/gui/Alert.h"
#include "platform/gui/Document.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A document that only counts: unsaved work on demand, saves recorded.
class CountingDocument : public platform::Document {
public:
    using platform::Document::Document;
    bool readFromURL(const QString&, const QString&, QString*) override { return true; }
    bool saveDocument() override
    {
        ++saves;
        updateChangeCount(ChangeCleared);
        return true;
    }
    bool saveDocumentAs() override { return saveDocument(); }
    int saves = 0;
};

// A document with unsaved work, kept by the application's document controller.
inline CountingDocument* addUnsavedDocument(RBApplication& app)
{
    auto* document = new CountingDocument;
    app.documentController().addDocument(document);
    document->updateChangeCount(platform::Document::ChangeDone);
    return document;
}

// An application over a temporary user-defaults store, with the server, the welcome window and
// the outside world replaced by recorders. `events` lists what happened, in order.
struct AppHarness {
    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
    QStringList events;
    QWidget* welcome = nullptr;

    AppHarness()
    {
        defaults = std::make_unique<platform::UserDefaults>(dir.filePath(QStringLiteral("defaults.json")));
        // No analytics client unless a test brings its own.
        defaults->setBool(QStringLiteral("RBDataCollectionDisabled"), true);
    }

    RBApplication::Options options()
    {
        RBApplication::Options o;
        o.defaults = defaults.get();
        o.startServer = [this] {
            events << QStringLiteral("server.start");
            if (defaults->hasKey(QStringLiteral("KVCodeEditorFontSize")))
                events << QStringLiteral("defaults.registered");
        };
        o.stopServer = [this] { events << QStringLiteral("server.stop"); };
        o.updateFeedURL = QString();
        o.crashReportDirectory = dir.filePath(QStringLiteral("crashes"));
        o.dataCollectionDisabledByBuild = false;
        o.installMenus = false;
        o.makeWelcomeWindow = [this] {
            events << QStringLiteral("welcome.make");
            welcome = new QWidget;
            welcome->resize(300, 200);
            return welcome;
        };
        o.sendPendingSignUp = [this] { events << QStringLiteral("signup"); };
        o.openURL = [this](const QString& url, bool) { events << QStringLiteral("open ") + url; };
        return o;
    }
    ~AppHarness() { delete welcome; }
};

// Answers every alert with the button of that title and keeps the alerts' texts.
struct AlertAnswers {
    QStringList messages;
    explicit AlertAnswers(const QString& button)
    {
        platform::Alert::setTestResponder([this, button](const platform::Alert& alert) {
            messages << alert.messageText() + QStringLiteral(" | ") + alert.informativeText();
            const int index = int(alert.buttonTitles().indexOf(button));
            return platform::Alert::kFirstButtonReturn + std::max(index, 0);
        });
    }
    ~AlertAnswers() { platform::Alert::setTestResponder({}); }
};
