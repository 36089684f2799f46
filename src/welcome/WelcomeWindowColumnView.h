#pragma once

#include <QUrl>
#include <QWidget>

namespace welcome {

class WelcomeWindowColumnButton;

// An information column of the welcome screen: a heading, two lines of text and a link
// button; a social column also shows four of the five community avatars, in random order,
// before its button. Dragging on the column moves the window.
class WelcomeWindowColumnView : public QWidget {
    Q_OBJECT
public:
    WelcomeWindowColumnView(const QRect& frame, const QString& title, const QString& text,
                            const QString& buttonTitle, bool social, const QUrl& url, QWidget* parent = nullptr);

    WelcomeWindowColumnButton* columnButton() const { return m_columnButton; }
    // The avatar names shown, left to right (empty for a column that is not social).
    QStringList shownAvatars() const { return m_avatars; }
    bool mouseDownCanMoveWindow() const { return true; }

    // The five community avatars, by image name.
    static QStringList avatarNames();

private:
    WelcomeWindowColumnButton* m_columnButton = nullptr;
    QStringList m_avatars;
};

} // namespace welcome
