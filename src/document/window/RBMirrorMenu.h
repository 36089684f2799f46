#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QAction;

class QWidget;
class RBDocument;

// The mirror item's menu of a document window: the address that phones on the same network
// open (with a way to send it), the companion viewer apps' store pages, "Open in Browser",
// "Copy Link" and the help page. Entries the build gives no address for are left out.
class RBMirrorMenu : public QObject {
    Q_OBJECT
public:
    enum Tag { AndroidApp = 0, IosApp = 1, SecondIosApp = 2, OpenInBrowser = 3, CopyLink = 4, Help = 5 };

    RBMirrorMenu(RBDocument& document, QObject* parent = nullptr);

    // Pops the menu up under the button, its first item at the button's menu location.
    void showMirrorMenuWithSender(QWidget* sender);
    // The toolbar item: the menu for a saved project; an unsaved one is saved first, since
    // the address of its temporary folder stops working once it is saved.
    void toolbarMirror(QWidget* sender);
    std::unique_ptr<QMenu> makeMirrorMenu();
    // The menu that is open now, if any.
    QMenu* openMenu() const { return m_openMenu; }

    void toolbarMirrorAction(int tag);
    // Gives every item its icon again for the highlighted one (none: all plain).
    static void menuWillHighlightItem(QMenu& menu, QAction* highlighted);
    // "icon-android", "icon-android-selected", "icon-apple", "icon-apple-selected"; null for others.
    static QIcon mirrorIconNamed(const QString& name);

private:
    QPointer<RBDocument> m_document;
    QPointer<QMenu> m_openMenu;
};
