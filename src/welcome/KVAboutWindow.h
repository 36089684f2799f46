#pragma once

#include <QLabel>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

class QPushButton;

// The application's about window: its icon, name and version, the credits (a scrolling text
// with links that open in the browser), and two buttons that open the acknowledgements (the
// libraries used, with their licences) and the licence agreement. There is one, made on first
// use; closing only hides it.
class KVAboutWindow : public QWidget {
    Q_OBJECT
public:
    static KVAboutWindow& sharedInstance();
    static bool hasSharedInstance();

    // Shows the window and brings it to the front; the content is loaded the first time.
    void showWindow();

    QLabel* zelvorIconView() const { return m_iconView; }
    QTextBrowser* textView() const { return m_textView; }
    QLabel* versionLabel() const { return m_versionLabel; }
    QPushButton* acknowledgmentsButton() const { return m_acknowledgmentsButton; }
    QPushButton* licenseAgreementButton() const { return m_licenseButton; }
    // How many times the credits were read (once per launch).
    int creditsLoadCount() const { return m_creditsLoads; }

    void acknowledgmentsClicked();
    void licenseAgreementClicked();
    // The licence page of the build's web site; empty (and the button hidden) without one.
    static QUrl licenseAgreementURL();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    KVAboutWindow();
    void windowDidLoad();

    QLabel* m_iconView;
    QLabel* m_nameLabel;
    QLabel* m_versionLabel;
    QTextBrowser* m_textView;
    QPushButton* m_acknowledgmentsButton;
    QPushButton* m_licenseButton;
    bool m_loaded = false;
    int m_creditsLoads = 0;
    QPoint m_dragOffset;
};
