#pragma once

#include <QLineEdit>
#include <QTimer>

// The search field of the documentation window. Typing searches after a short pause, Return
// searches at once (or steps to the next hit of the same term, Shift+Return to the previous),
// Ctrl+G and Ctrl+Shift+G step through the hits, Ctrl+F and Ctrl+L select the field's text, and
// Esc closes the window. Emptying the field ends the search.
class KVDocsSearchField : public QLineEdit {
    Q_OBJECT
public:
    explicit KVDocsSearchField(QWidget* parent = nullptr);

    // How long typing may pause before the term is searched.
    static constexpr int kTypingPauseMs = 300;

Q_SIGNALS:
    // The field's action: search for its text (empty: end the search); `backwards` when Shift
    // was held with Return.
    void searchRequested(const QString& term, bool backwards);
    void nextRequested();
    void previousRequested();
    void closeRequested();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Answers whether the key was one of the field's own.
    bool handleKey(QKeyEvent* event, bool perform);
    QTimer m_typingPause;
};
