#pragma once

#include <QFrame>
#include <QTimer>

#include <functional>

class QLabel;

// A notice that floats at the top right of the document window for a few seconds: the shared
// prototype's link is on the clipboard, an import has arrived. A click runs its action (opens
// the link), if any, and closes it.
class RBShareNotice : public QFrame {
    Q_OBJECT
public:
    static constexpr int kShownMs = 8000;

    explicit RBShareNotice(QWidget* window);

    void showNotice(const QString& title, const QString& text, std::function<void()> clickAction);
    QString title() const;
    QString text() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QLabel* m_title;
    QLabel* m_text;
    QTimer m_hideTimer;
    std::function<void()> m_clickAction;
};
