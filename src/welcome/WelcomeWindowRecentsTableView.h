#pragma once

#include <QListWidget>
#include <QPointer>

class QMenu;

namespace welcome {

class WelcomeWindow;
class WelcomeWindowRecentsRowView;

// The recent-projects list of the welcome window: one row of 42 points per project, exactly
// one row selected while there are rows (a click beside the rows keeps the selection), the
// selected row drawn blue. Its context menu shows a project in the file manager or removes it
// from the list.
class WelcomeWindowRecentsTableView : public QListWidget {
    Q_OBJECT
public:
    explicit WelcomeWindowRecentsTableView(QWidget* parent = nullptr);

    WelcomeWindow* welcomeWindow() const { return m_welcomeWindow; }
    void setWelcomeWindow(WelcomeWindow* window) { m_welcomeWindow = window; }

    // Replaces the rows: one per path; `missing` says which folders are gone.
    void setRecentDocuments(const QStringList& paths, const QList<bool>& missing);
    WelcomeWindowRecentsRowView* rowView(int row) const;
    int selectedRow() const;
    void selectRow(int row);

    // The menu for a click at `position` (viewport coordinates): selects that row alone first.
    // Null below the last row. The caller owns the menu.
    QMenu* menuForPosition(const QPoint& position);
    void showInFinder();

Q_SIGNALS:
    // A row was double-clicked.
    void rowActivated();
    void removeRequested(const QString& path);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateRowStates();

    QPointer<WelcomeWindow> m_welcomeWindow;
    int m_lastSelected = -1;
};

} // namespace welcome
