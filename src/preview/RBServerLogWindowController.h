#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QPlainTextEdit;

class RBServerController;

// The window that shows what the child programs print: first everything the server has printed
// so far, then every plain line of any child process of the application; and what the
// prototypes' pages write to their console (`print`), each line after its project's name.
class RBServerLogWindowController : public QObject {
    Q_OBJECT
public:
    static RBServerLogWindowController& sharedInstance();

    explicit RBServerLogWindowController(RBServerController& serverController, QObject* parent = nullptr);
    ~RBServerLogWindowController() override;

    // The window, made (and filled) on first use.
    QWidget* window();
    void showWindow();
    bool isWindowLoaded() const { return m_window != nullptr; }

    void appendLogText(const QString& text);
    QString logText() const;
    // A console message of a project's page.
    void appendConsoleText(const QString& project, const QString& message);
    QString consoleText() const { return m_consoleText; }

Q_SIGNALS:
    void consoleTextAppended(const QString& text);

private:
    void windowDidLoad();

    RBServerController& m_serverController;
    QPointer<QWidget> m_window;
    QPlainTextEdit* m_logTextView = nullptr;
    static constexpr qsizetype kMaximumConsoleText = 512 * 1024;
    QString m_consoleText;
};
