#pragma once

#include "platform/StringExtras.h"

#include <QObject>
#include <QPointer>

class KVCodeTextView;

// The Control-key links over the code: while the key is held in the editor, module names in
// require calls and paths into the project's images folder in the visible lines are underlined
// and open with a click. The code view owns one and tells it when the key goes down and up; the
// links also go when the editor's window or the application loses the focus, the editor loses
// it, or the document saves. Links are drawn over the text, never part of it: they add no undo
// step and leave the document's changed state alone.
class KVTextActionsDelegate : public QObject {
    Q_OBJECT
public:
    KVTextActionsDelegate();
    ~KVTextActionsDelegate() override;

    virtual void showActionsInTextView(KVCodeTextView* textView);
    virtual void hideActionsInTextView(KVCodeTextView* textView);
    // Removes every link of the text view, wherever edits have moved them.
    void hideActions();

    // The characters of the lines visible when the links were shown; not found when hidden.
    platform::TextRange paintedLinks() const { return m_paintedLinks; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showTextActionsInTextView(KVCodeTextView* textView, int type, platform::TextRange range);
    void setupNotificationsForTextView(KVCodeTextView* textView);

    platform::TextRange m_paintedLinks{platform::TextRange::kNotFound, 0};
    QPointer<KVCodeTextView> m_textView;
    QPointer<QWidget> m_watchedWindow;
    bool m_notificationsHaveBeenSetup = false;
};
