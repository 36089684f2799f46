#include "welcome/WelcomeWindowRecentsTableView.h"

#include "platform/gui/Workspace.h"
#include "welcome/WelcomeWindow.h"
#include "welcome/WelcomeWindowRecentsRowBackgroundView.h"
#include "welcome/WelcomeWindowRecentsRowView.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>

namespace welcome {

WelcomeWindowRecentsTableView::WelcomeWindowRecentsTableView(QWidget* parent)
    : QListWidget(parent)
{
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(44);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setUniformItemSizes(true);
    setStyleSheet(QStringLiteral("QListWidget { background: white; border: none; outline: none; }"
                                 "QListWidget::item { padding: 0px; margin: 0px; border: none; }"
                                 "QListWidget::item:selected { background: transparent; }"));
    connect(this, &QListWidget::itemSelectionChanged, this, &WelcomeWindowRecentsTableView::updateRowStates);
}

void WelcomeWindowRecentsTableView::setRecentDocuments(const QStringList& paths, const QList<bool>& missing)
{
    const QSignalBlocker blocker(this);
    clear();
    m_lastSelected = -1;
    for (int i = 0; i < paths.size(); ++i) {
        auto* item = new QListWidgetItem(this);
        item->setSizeHint(QSize(viewport()->width(), 42));
        auto* background = new WelcomeWindowRecentsRowBackgroundView;
        auto* row = new WelcomeWindowRecentsRowView(paths[i], i < missing.size() && missing[i], background);
        connect(row, &WelcomeWindowRecentsRowView::removeRequested, this,
                &WelcomeWindowRecentsTableView::removeRequested);
        setItemWidget(item, background);
    }
}

WelcomeWindowRecentsRowView* WelcomeWindowRecentsTableView::rowView(int row) const
{
    QWidget* background = itemWidget(item(row));
    return background ? background->findChild<WelcomeWindowRecentsRowView*>(QString(), Qt::FindDirectChildrenOnly)
                      : nullptr;
}

int WelcomeWindowRecentsTableView::selectedRow() const
{
    const QModelIndexList selected = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void WelcomeWindowRecentsTableView::selectRow(int row)
{
    if (row < 0 || row >= count())
        return;
    setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    updateRowStates();
}

void WelcomeWindowRecentsTableView::updateRowStates()
{
    int selected = selectedRow();
    // The list is never left without a selection while it has rows.
    if (selected < 0 && count() > 0) {
        const int keep = m_lastSelected >= 0 && m_lastSelected < count() ? m_lastSelected : 0;
        const QSignalBlocker blocker(this);
        setCurrentRow(keep, QItemSelectionModel::ClearAndSelect);
        selected = keep;
    }
    m_lastSelected = selected;
    for (int i = 0; i < count(); ++i)
        if (auto* background = qobject_cast<WelcomeWindowRecentsRowBackgroundView*>(itemWidget(item(i))))
            background->setRowState(i == selected ? WelcomeWindowRecentsRowState::Selected
                                                  : WelcomeWindowRecentsRowState::Normal);
}

QMenu* WelcomeWindowRecentsTableView::menuForPosition(const QPoint& position)
{
    const QModelIndex index = indexAt(position);
    if (!index.isValid())
        return nullptr;
    selectRow(index.row());
    auto* menu = new QMenu(tr("Recently Opened Document Options"), this);
    QAction* show = menu->addAction(tr("Show in Folder"));
    connect(show, &QAction::triggered, this, &WelcomeWindowRecentsTableView::showInFinder);
    if (WelcomeWindowRecentsRowView* row = rowView(index.row())) {
        show->setEnabled(!row->isMissing());
        const QString path = row->data();
        QAction* remove = menu->addAction(tr("Remove from List"));
        connect(remove, &QAction::triggered, this, [this, path] { Q_EMIT removeRequested(path); });
    }
    return menu;
}

void WelcomeWindowRecentsTableView::showInFinder()
{
    if (!m_welcomeWindow)
        return;
    const QStringList documents = m_welcomeWindow->recentDocuments();
    const int row = selectedRow();
    if (row < 0 || row >= documents.size() || documents[row].isEmpty())
        return;
    platform::Workspace::sharedWorkspace().activateFileViewerSelectingURLs({documents[row]});
}

void WelcomeWindowRecentsTableView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = menuForPosition(event->pos());
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void WelcomeWindowRecentsTableView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListWidget::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        Q_EMIT rowActivated();
}

void WelcomeWindowRecentsTableView::keyPressEvent(QKeyEvent* event)
{
    // Return and Enter open the selected project: the window handles them.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return event->ignore();
    QListWidget::keyPressEvent(event);
}

} // namespace welcome
