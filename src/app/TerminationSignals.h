#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (the session ending, Ctrl+C in the terminal, the terminal
// going away) into a Qt signal on the main thread, so that the application can quit the way
// its Quit command does instead of dying with unsaved work. The handler itself only writes the
// signal number into a socket pair (the only thing that is safe inside a handler); the main
// loop reads it. One may exist at a time; the previous handlers come back when it goes.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False when the handlers could not be installed (another instance exists, or no socket
    // pair could be made); the signals then keep their previous effect.
    bool isInstalled() const { return m_notifier != nullptr; }

    // The signals handled, for the tests and the log.
    static QList<int> handledSignals();

Q_SIGNALS:
    void terminationRequested(int signal);

private:
    void readPending();

    QSocketNotifier* m_notifier = nullptr;
};
