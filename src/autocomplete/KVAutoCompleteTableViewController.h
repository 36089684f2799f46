#pragma once

#include "autocomplete/KVAutoCompleteTableRowView.h"

#include <QFont>
#include <QObject>
#include <QPointer>

#include <optional>

class KVAutoCompleteController;
class KVAutoCompleteListView;
class QPainter;

// The rows of the completion list: how many, how high, how each is painted (word and type
// columns, optionally a type icon), the selection and its movement with the arrow keys. Follows
// the editor's font size: a change rebuilds the fonts and closes the popup.
class KVAutoCompleteTableViewController : public QObject {
    Q_OBJECT
public:
    enum class Column { Word, Type, Icon };
    static constexpr double kIntercellSpacing = 6;
    static constexpr double kIconColumnWidth = 20;

    explicit KVAutoCompleteTableViewController(KVAutoCompleteController* controller);
    ~KVAutoCompleteTableViewController() override;

    KVAutoCompleteListView* scrollView() const { return m_tableView; }
    KVAutoCompleteListView* tableView() const { return m_tableView; }

    const QFont& normalFont() const { return m_normalFont; }
    const QFont& typeFont() const { return m_typeFont; }
    // Twice the pixel size of the list's font.
    double rowHeight() const;
    int numberOfRows() const;

    // Columns in their order, and the widths of the word and type columns (the popup measures).
    QList<Column> columns() const;
    void setColumnWidths(double word, double type);

    int selectedRow() const { return m_selectedRow; }
    void selectRow(int row);
    void deselectAll();
    void reloadData();
    // The columns and colours from the popup's appearance.
    void update();

    void moveUpSelection();
    void moveDownSelection();
    void makeRowVisible(int row);
    // The table's action: insert the selected item.
    void clickItem();

    KVAutoCompleteTableRowView rowViewForRow(int row) const;
    void fillBackground(QPainter& painter, const QRectF& rect) const;
    void drawRow(QPainter& painter, int row, const QRectF& rect) const;

private:
    void setup();
    void setupObservers();
    void codeFontSizeDidChange();
    void buildTextAttributes();
    double columnX(Column column) const;
    double columnWidth(Column column) const;

    QPointer<KVAutoCompleteController> m_controller;
    KVAutoCompleteListView* m_tableView = nullptr;
    QFont m_normalFont;
    QFont m_typeFont;
    double m_wordColumnWidth = 200;
    double m_typeColumnWidth = 0;
    int m_selectedRow = -1;
};
