#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class QWidget;

// Notices the user's own input on a widget and the widgets it comes to hold (the web view draws
// its page in a child it makes when the page's process starts): a mouse press, a touch or a key
// pressed (not repeated). Each such gesture may be taken once, within TakeWithinMs: a script
// that clicks links by itself, as often as it likes, gets no gesture of its own.
//
// Main thread only.
class UserGesture : public QObject {
    Q_OBJECT
public:
    static constexpr int TakeWithinMs = 1000;

    explicit UserGesture(QWidget* watched, QObject* parent = nullptr);

    // Answers whether a gesture was waiting, and uses it up.
    bool take();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QObject* object);

    QElapsedTimer m_since;
    bool m_waiting = false;
};
