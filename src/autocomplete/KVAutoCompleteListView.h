#pragma once

#include <QAbstractScrollArea>

class KVAutoCompleteTableViewController;

// The completion list: rows of one height painted by the table controller, scrolled by pixels,
// with a thin knob in place of a scroll bar. It never takes the keyboard focus; a click chooses
// a row.
class KVAutoCompleteListView : public QAbstractScrollArea {
    Q_OBJECT
public:
    KVAutoCompleteListView(KVAutoCompleteTableViewController* dataSource, QWidget* parent);

    // The row count or the row height changed.
    void reloadData();
    int rowAtPoint(const QPoint& viewportPoint) const;
    double contentTop() const;
    void scrollContentTo(double top);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void updateScrollRange();

    KVAutoCompleteTableViewController* m_dataSource;
    int m_pressedRow = -1;
};
