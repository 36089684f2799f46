#pragma once

#include "welcome/WelcomeWindowRecentsRowState.h"

#include <QWidget>

namespace welcome {

// The row behind a recent project: white, or blue while selected. It passes its state on to
// the direct children that follow the row's selection.
class WelcomeWindowRecentsRowBackgroundView : public QWidget, public WelcomeWindowRowSelectionProtocol {
    Q_OBJECT
public:
    explicit WelcomeWindowRecentsRowBackgroundView(QWidget* parent = nullptr);

    void setRowState(WelcomeWindowRecentsRowState state) override;
    WelcomeWindowRecentsRowState rowState() const { return m_state; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    WelcomeWindowRecentsRowState m_state = WelcomeWindowRecentsRowState::Normal;
};

} // namespace welcome
