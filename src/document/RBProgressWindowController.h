#pragma once

#include <QObject>
#include <QPointer>

class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

// A small window with a message, a progress bar and a Cancel button: a sheet over a document
// window while its library updates, or a window of its own while a link downloads. It starts
// indeterminate and animating; setProgress() makes it determinate. Closing it (the window's
// close button or Escape) is the same as pressing Cancel: whoever listens to `cancelled` stops
// its work or lets it finish unseen.
class RBProgressWindowController : public QObject {
    Q_OBJECT
public:
    explicit RBProgressWindowController(QObject* parent = nullptr);
    ~RBProgressWindowController() override;

    QDialog* window() const;
    QProgressBar* progressIndicator() const { return m_progressIndicator; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    QLabel* messageField() const { return m_message; }

    void setMessage(const QString& text);
    // Fractions above 0.1 show as a determinate bar; at or below it (an unknown or tiny share)
    // the bar stays indeterminate.
    void setProgress(double fraction);
    void setIndeterminate();

    // Shows the window modal to `parent` (a sheet), or centred and in front without one.
    void beginSheet(QWidget* parent);
    void show();
    // Orders the window out without a cancellation.
    void close();

Q_SIGNALS:
    void cancelled();

private:
    QPointer<QDialog> m_window;
    QLabel* m_message = nullptr;
    QProgressBar* m_progressIndicator = nullptr;
    QPushButton* m_cancelButton = nullptr;
    bool m_closing = false;
};
