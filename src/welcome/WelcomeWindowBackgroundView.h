#pragma once

#include <QWidget>

namespace welcome {

// The welcome window's dark panel: a rounded rectangle (radius 8) on a transparent ground.
class WelcomeWindowBackgroundView : public QWidget {
    Q_OBJECT
public:
    explicit WelcomeWindowBackgroundView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace welcome
