#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QImage>
#include <QList>
#include <QPair>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class QWebEngineView;

// A preview page as the application builds it, in a real web engine: a temporary project with
// the test page, the prototyping library of the template and the generated script (device
// defaults, studio info, device set-up, viewer script). The page's bridge messages are
// collected so that tests can read them.
class RuntimePage {
public:
    struct Message {
        QString method;
        QJsonValue arguments;
    };

    explicit RuntimePage(const QJsonObject& deviceDefaults, QSize viewSize = QSize(500, 800));
    ~RuntimePage();

    // Loads the page and waits for its "DOMContentLoaded"; false when it never came.
    bool load();

    // Evaluates JavaScript and answers its result passed through JSON (undefined gives null).
    QJsonValue eval(const QString& script);

    // Runs a compiled program the way the preview injects it (reset, the code, the source URL),
    // through the page's own script runner so that its errors keep their positions.
    void run(const QString& javaScript);

    // The messages sent since the last call.
    QList<Message> takeMessages();
    // Waits for a message with that method and takes it; the other messages stay. The answer
    // has an empty method when none came.
    Message waitForMessage(const QString& method, int timeoutMs = 5000);

    // A screenshot of the view after the page has drawn two frames.
    QImage screenshot();

    QString projectPath() const { return m_dir.path(); }

    static QString generatedScript(const QJsonObject& deviceDefaults, const QString& deviceImagesUrl);
    // A program compiled by the application's compiler as the preview receives it; empty when
    // it does not compile.
    static QString compile(const QString& coffeeScript);
    static QString fixtureProgram(const QString& name);  // tests/fixtures/runtime/<name>.coffee

private:
    QTemporaryDir m_dir;
    QJsonObject m_defaults;
    std::unique_ptr<QWebEngineView> m_view;
    QList<Message> m_pending;
};
