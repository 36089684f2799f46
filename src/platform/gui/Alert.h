#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace platform {

// A modal message with buttons. The answer is 1000 plus the index of the pressed button
// (first button 1000, second 1001, ...); an alert without buttons gets "OK".
// Escape, closing the alert and a quit that arrives while it is open give the cancel answer:
// the button set by setCancelButton(), else the one titled "Cancel", else, for an alert of one
// button, that button. A question of several buttons none of which cancels gets no answer
// (kNoAnswerReturn): none of its choices was made.
// Tests answer alerts without showing them through setTestResponder().
class Alert {
public:
    enum Style { Warning, Informational, Critical };
    static constexpr int kFirstButtonReturn = 1000;
    static constexpr int kNoAnswerReturn = kFirstButtonReturn - 1;

    Alert() = default;

    void setMessageText(const QString& text) { m_messageText = text; }
    QString messageText() const { return m_messageText; }
    void setInformativeText(const QString& text) { m_informativeText = text; }
    QString informativeText() const { return m_informativeText; }
    void setAlertStyle(Style style) { m_style = style; }
    Style alertStyle() const { return m_style; }
    // A "Do not show this message again" check box under the text; its state once answered.
    void setShowsSuppressionButton(bool shows) { m_showsSuppressionButton = shows; }
    bool showsSuppressionButton() const { return m_showsSuppressionButton; }
    bool suppressionButtonState() const { return m_suppressionState; }
    // What the user ticked (test responders tick it through this).
    void setSuppressionButtonState(bool on) const { m_suppressionState = on; }
    // Adds a button and answers its index.
    int addButton(const QString& title);
    QStringList buttonTitles() const { return m_buttons; }
    void setCancelButton(int index) { m_cancelButton = index; }
    // The answer that changes nothing (a return code).
    int cancelAnswer() const;

    // Shows the alert application-modal and waits for a button.
    int runModal();
    // Shows the alert modal to `window` (a sheet) and waits; callable from any thread.
    int runModalSheetForWindow(QWidget* window);
    // As a sheet on the application's active window.
    int runModalSheet();

    // With a responder set, alerts are not shown: the responder answers them (a return code).
    using Responder = std::function<int(const Alert&)>;
    static void setTestResponder(Responder responder);
    static bool hasTestResponder();

private:
    int show(QWidget* parent);

    QString m_messageText;
    QString m_informativeText;
    Style m_style = Warning;
    QStringList m_buttons;
    bool m_showsSuppressionButton = false;
    mutable bool m_suppressionState = false;
    int m_cancelButton = -1;
};

} // namespace platform
