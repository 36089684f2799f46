#pragma once

#include "welcome/AttributedTitle.h"

#include <QUrl>
#include <QWidget>

namespace welcome {

class AntiAliasedLabel;
class NineSliceImageView;

enum class WelcomeWindowColumnButtonState { Normal, Active };

inline QString imageName(WelcomeWindowColumnButtonState state)
{
    return state == WelcomeWindowColumnButtonState::Active ? QStringLiteral("columnButtonActive")
                                                          : QStringLiteral("columnButton");
}

// The link button of an info column: a stretched pill image with the title, as wide as the
// title plus 28 points. Pressed it shows the active image and a darker face; released inside
// it opens its link in the browser.
class WelcomeWindowColumnButton : public QWidget {
    Q_OBJECT
public:
    WelcomeWindowColumnButton(const QRect& frame, const QString& title, const QUrl& url, QWidget* parent = nullptr);

    QUrl url() const { return m_url; }
    QString title() const { return m_title; }
    WelcomeWindowColumnButtonState state() const { return m_state; }
    void setState(WelcomeWindowColumnButtonState state);
    int buttonWidth() const;

    NineSliceImageView* imageView() const { return m_imageView; }
    AntiAliasedLabel* textField() const { return m_textField; }
    AntiAliasedLabel* textField2() const { return m_textField2; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool locationInButton(const QPoint& position) const { return rect().contains(position); }

    QUrl m_url;
    QString m_title;
    AttributedTitle m_attTitle;
    WelcomeWindowColumnButtonState m_state = WelcomeWindowColumnButtonState::Normal;
    NineSliceImageView* m_imageView = nullptr;
    AntiAliasedLabel* m_textField = nullptr;
    AntiAliasedLabel* m_textField2 = nullptr;
};

} // namespace welcome
