#pragma once

#include <QWidget>

namespace welcome {

// What the recent-projects list shows while it is empty: the icon and "No Recent Files".
class WelcomeWindowNoRecentDocumentsView : public QWidget {
    Q_OBJECT
public:
    explicit WelcomeWindowNoRecentDocumentsView(const QRect& frame, QWidget* parent = nullptr);
};

} // namespace welcome
