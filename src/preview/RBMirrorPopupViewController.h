#pragma once

#include <QMenu>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;

class QPushButton;
class RBMirrorPopupBottomView;

// Shows the address a phone on the same network opens to mirror the prototype, and offers to
// send it by mail, open it in the browser or copy it. It sits at the top of the mirror menu, whose
// own items lead to the viewer apps and the help page.
class RBMirrorPopupViewController : public QWidget {
    Q_OBJECT
public:
    // The address is asked for when the view is made and again before each action, so that a
    // network that changed meanwhile gives the current one.
    explicit RBMirrorPopupViewController(std::function<QString()> serverUrl, QWidget* parent = nullptr);
    ~RBMirrorPopupViewController() override;

    QString serverUrl() const { return m_serverUrl ? m_serverUrl() : QString(); }
    // The address as the field shows it ("http://" in grey): rich text.
    static QString attributedUrl(const QString& url);

    QLabel* serverUrlTextField() const { return m_urlField; }
    QPushButton* shareButton() const { return m_shareButton; }
    RBMirrorPopupBottomView* bottomView() const { return m_bottomView; }

    // The share button's menu: "Send as Mail…", a separator, "Open in Browser…", "Copy to
    // Clipboard". Empty without an address.
    std::unique_ptr<QMenu> makeSharingMenu();
    void share();
    void shareByMail();
    void open();
    void copy();
    // Hides what holds the view, after the short pause that lets the click be seen.
    void setCloseHandler(std::function<void()> close) { m_close = std::move(close); }

private:
    void closeSoon();

    std::function<QString()> m_serverUrl;
    QLabel* m_urlField;
    QPushButton* m_shareButton;
    RBMirrorPopupBottomView* m_bottomView;
    std::function<void()> m_close;
    QPointer<QMenu> m_sharingMenu;
};
