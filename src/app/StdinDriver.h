#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

// Drives the running application from its standard input, one command a line, as a user at
// the keyboard would: for tests and benchmarks that start the real program and type into it.
// Only made when the environment asks for it (ZELVOR_DRIVE_FROM_STDIN=1); the parent process
// that holds the other end of the pipe can do no more than a user at the screen.
//
//   type TEXT      key presses of each character into the focused editor ("\n" Return,
//                  "\t" Tab, "\b" Backspace, "\\" a backslash)
//   press BUTTON   clicks the button of that title in the open question
//   menu NAME      chooses the menu item of that name (as RBMainMenu names them: "newDocument")
//   programs       prints a line "program [PATH, TEXT]" (JSON) for each open project
//   memory         prints "memory KB" (the resident size of the process)
//
// Each command answers one line on standard output, beginning with "driver: ".
class StdinDriver : public QObject {
public:
    explicit StdinDriver(QObject* parent = nullptr);

    static bool isRequested();

    // Runs one command line and answers its reply (without the prefix).
    QByteArray run(const QByteArray& line);

private:
    void readInput();
    QByteArray type(const QString& text);
    QByteArray press(const QString& title);
    QByteArray programs();

    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_pending;
};
