#pragma once

#include "platform/Task.h"
#include "platform/CSTaskManagerDelegate.h"
#include "platform/CSTaskManagerLineBuffer.h"

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

// Runs one outside program and turns what it prints into lines and JSON messages: a line whose
// first character is "{" and which parses whole as a JSON object is a message, every other
// non-empty line is plain output. Each line is served to the delegate, then the block, then the
// notification.
//
// Use: make a runner, configure task() (launch path, arguments, environment, folder), set
// blocks, delegate or observers, run(). A runner is used for one run.
//
// Everything the runner reports, the end included, is delivered on the thread that called run(),
// which also owns output() and objects(). A program that cannot be launched ends the run at once
// with status -1 and the reason logged.
class CSTaskManager : public QObject {
    Q_OBJECT
public:
    using OutputBlock = std::function<void(const QString& line, bool isError)>;
    using ObjectBlock = std::function<void(const QJsonObject& object)>;
    using EndBlock = std::function<void(int status)>;

    // The status reported for a program that could not be launched.
    static constexpr int LaunchFailureStatus = -1;

    static const QString& DidReceiveOutputNotification(); // "CSTaskManagerDidReceiveOutput"
    static const QString& DidReceiveObjectNotification(); // "CSTaskManagerDidReceiveObject"
    static const QString& DidReceiveEndNotification();    // "didReceiveEnd"

    explicit CSTaskManager(QObject* parent = nullptr);
    ~CSTaskManager() override;

    platform::Task& task() { return m_task; }

    // Held weakly: a delegate that is also a QObject is forgotten when it is destroyed; any other
    // delegate must clear itself before it goes.
    void setDelegate(CSTaskManagerDelegate* delegate);
    CSTaskManagerDelegate* delegate() const;

    bool debug() const { return m_debug; }
    void setDebug(bool debug) { m_debug = debug; }

    // Every non-empty line so far, messages included, each followed by "\n".
    const QString& output() const { return m_output; }
    // Every message so far, in arrival order.
    const QList<QJsonObject>& objects() const { return m_objects; }

    QDateTime startTime() const { return m_startTime; }
    // Milliseconds since run().
    double elapsed() const;

    void setTaskManagerDidReceiveOutput(OutputBlock block) { m_outputBlock = std::move(block); }
    void setTaskManagerDidReceiveObject(ObjectBlock block) { m_objectBlock = std::move(block); }
    void setTaskManagerDidEnd(EndBlock block) { m_endBlock = std::move(block); }

    // Starts the program. Answers false when it could not be launched; the end report
    // (status -1) has then been delivered already. A second call does nothing and answers false.
    bool run();
    bool hasEnded() const { return m_ended; }
    // Waits, keeping this thread's event loop turning, until the end has been reported.
    bool waitUntilEnd(int timeoutMs = -1);

    // Writes the UTF-8 bytes of the text to the program's standard input; no line end is added.
    void sendInput(const QString& text);
    // Writes the object or array as compact JSON, with no line end. Other values are logged as
    // errors and nothing is written.
    void sendJsonInput(const QJsonValue& value);

private:
    void readStream(bool isError);
    void processLines(const QStringList& lines, bool isError);
    void deliverLine(const QString& piece, bool isError);
    void receivedDidEnd(int status);
    void post(const QString& name, const QVariantMap& userInfo);

    platform::Task m_task;
    CSTaskManagerDelegate* m_delegate = nullptr;
    QPointer<QObject> m_delegateGuard;
    bool m_delegateIsObject = false;
    bool m_debug = false;
    QString m_output;
    QList<QJsonObject> m_objects;
    QDateTime m_startTime;
    bool m_ended = false;
    CSTaskManagerLineBuffer m_outputLines;
    CSTaskManagerLineBuffer m_errorLines;
    OutputBlock m_outputBlock;
    ObjectBlock m_objectBlock;
    EndBlock m_endBlock;
};
