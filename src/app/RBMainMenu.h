#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;
class RBApplication;

// The application's menus on Linux desktop conventions: File, Edit, View, Project, Window and Help, with
// Preferences at the bottom of Edit and About at the bottom of Help, Ctrl where other systems
// use Command. One set of actions serves every window: each main window gets a menu bar of
// its own over them, and other windows (the welcome window) get their shortcuts.
class RBMainMenu : public QObject {
    Q_OBJECT
public:
    explicit RBMainMenu(RBApplication& application, QObject* parent = nullptr);
    ~RBMainMenu() override;

    // The action of a command by its name ("newDocument", "openDocument", "saveDocument",
    // "checkForUpdates", "about", ...); null for an unknown name.
    QAction* action(const QString& name) const;

    // A new menu bar over the shared actions, owned by `parent`.
    QMenuBar* createMenuBar(QWidget* parent);
    // Gives a window its menus: a menu bar for a main window without one, the shortcuts for
    // any other window, and a Help menu of its own to a window that answers
    // `setHelpMenu(QMenu*)` (the welcome window shows it from a button and with F10). Windows
    // shown later get theirs when they first show.
    void installInto(QWidget* window);
    // Watches windows as they show and installs the menus into them.
    void installIntoNewWindows();

    // Whether the command may run now. The commands of the application (new, open, quit, the
    // preferences and the Help items) always may; every other command acts on the active window
    // and asks it first when it answers `validateMenuItem(QString)` with the command's name and
    // a colon ("saveDocument:"): the welcome window keeps the commands of the project behind it
    // from running.
    bool validate(const QString& name) const;

    // The update item: "Check for Updates…" when the build names a feed, else a disabled item
    // that says where updates come from.
    void setUpdatesAvailable(bool available);

    // Enables the commands that apply in the active window (the documentation window answers
    // only some); run as the active window changes.
    void updateForActiveWindow();

    // The template of the Edit menu, which every menu bar copies.
    QMenu* editMenuTemplate() const { return m_editTemplate; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* add(const QString& name, const QString& title, const QKeySequence& shortcut, std::function<void()> run);
    void buildActions();
    QMenu* buildFileMenu(QWidget* parent);
    QMenu* buildEditMenu(QWidget* parent);
    QMenu* buildViewMenu(QWidget* parent);
    QMenu* buildProjectMenu(QWidget* parent);
    QMenu* buildWindowMenu(QWidget* parent);
    QMenu* buildHelpMenu(QWidget* parent);
    void fillRecentMenu(QMenu* menu);
    void fillWindowList(QMenu* menu, QAction* listStart);

    RBApplication& m_application;
    std::map<QString, QAction*> m_actions;
    QMenu* m_editTemplate = nullptr;
    bool m_watching = false;
    bool m_docsWatched = false;
};

// Drops the system entries that have no use at the bottom of an Edit menu, looking only at the
// current last item each time: a character-palette item ("orderFrontCharacterPalette"), then a
// dictation item ("startDictation"), then a separator.
void tidyEditMenu(QMenu& menu);
