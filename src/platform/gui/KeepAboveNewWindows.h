#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace platform {

// Keeps a question that blocks the whole application above the windows that open while it is
// asked. A question asked at start-up, before a project's window has opened, would otherwise
// end up behind that window, which then looks frozen. Lives as long as the question is open.
class KeepAboveNewWindows : public QObject {
public:
    explicit KeepAboveNewWindows(QWidget* question);
    ~KeepAboveNewWindows() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_question;
};

} // namespace platform
