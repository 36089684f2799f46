#include "autocomplete/KVAutoCompleteTableViewController.h"

#include "autocomplete/CompletionRowStyle.h"
#include "autocomplete/KVAutoCompleteController.h"
#include "autocomplete/KVAutoCompleteIconView.h"
#include "autocomplete/KVAutoCompleteListView.h"
#include "autocomplete/KVAutoCompleteTextField.h"
#include "autocomplete/PopupGeometry.h"
#include "CodeTextView/KVCodeView.h"
#include "platform/UserDefaults.h"
#include "platform/gui/ColorExtras.h"

#include <QPainter>

#include <cmath>

namespace {
QColor hex(const QString& value)
{
    return platform::colorWithHexColorString(value);
}
} // namespace

KVAutoCompleteTableViewController::KVAutoCompleteTableViewController(KVAutoCompleteController* controller)
    : m_controller(controller)
{
    setup();
    setupObservers();
    update();
}

KVAutoCompleteTableViewController::~KVAutoCompleteTableViewController()
{
    if (m_controller)
        m_controller->userDefaults()->removeObserver(this);
}

void KVAutoCompleteTableViewController::setup()
{
    m_tableView = new KVAutoCompleteListView(this, m_controller->backgroundView());
    buildTextAttributes();
}

void KVAutoCompleteTableViewController::buildTextAttributes()
{
    const double f = m_controller->storedFontSize().value_or(12);
    m_normalFont = KVCodeView::editorFont(f);
    m_typeFont = KVCodeView::editorFont(f - 1);
    m_typeFont.setItalic(true);
}

void KVAutoCompleteTableViewController::setupObservers()
{
    m_controller->userDefaults()->addObserver(KVCodeView::FontSizeKey, this, [this] { codeFontSizeDidChange(); });
}

void KVAutoCompleteTableViewController::codeFontSizeDidChange()
{
    if (!m_controller)
        return;
    buildTextAttributes();
    m_controller->clearTextSizeCache();
    m_controller->completeEnd();
    update();
    reloadData();
}

double KVAutoCompleteTableViewController::rowHeight() const
{
    // The font's size in pixels, as the screen shows its points.
    const double pixels = m_normalFont.pointSizeF() * m_tableView->logicalDpiY() / 72.0;
    return 2 * std::round(pixels);
}

int KVAutoCompleteTableViewController::numberOfRows() const
{
    return m_controller ? int(m_controller->autoCompletionSet().completions().size()) : 0;
}

QList<KVAutoCompleteTableViewController::Column> KVAutoCompleteTableViewController::columns() const
{
    QList<Column> list;
    if (!m_controller)
        return list;
    const KVAutoCompleteAppearance& look = m_controller->appearance();
    if (look.showTypeIcon && look.typeIconOnLeft)
        list.append(Column::Icon);
    if (look.typeOnLeft)
        list << Column::Type << Column::Word;
    else
        list << Column::Word << Column::Type;
    if (look.showTypeIcon && !look.typeIconOnLeft)
        list.append(Column::Icon);
    return list;
}

void KVAutoCompleteTableViewController::setColumnWidths(double word, double type)
{
    m_wordColumnWidth = word;
    m_typeColumnWidth = type;
    m_tableView->viewport()->update();
}

double KVAutoCompleteTableViewController::columnWidth(Column column) const
{
    switch (column) {
    case Column::Word:
        return m_wordColumnWidth;
    case Column::Type:
        return m_typeColumnWidth;
    case Column::Icon:
        return kIconColumnWidth;
    }
    return 0;
}

double KVAutoCompleteTableViewController::columnX(Column column) const
{
    double x = kIntercellSpacing / 2;
    for (Column c : columns()) {
        if (c == column)
            return x;
        x += columnWidth(c) + kIntercellSpacing;
    }
    return x;
}

void KVAutoCompleteTableViewController::selectRow(int row)
{
    if (row < 0 || row >= numberOfRows())
        return;
    m_selectedRow = row;
    m_tableView->viewport()->update();
}

void KVAutoCompleteTableViewController::deselectAll()
{
    m_selectedRow = -1;
    m_tableView->viewport()->update();
}

void KVAutoCompleteTableViewController::reloadData()
{
    if (m_selectedRow >= numberOfRows())
        m_selectedRow = -1;
    m_tableView->reloadData();
}

void KVAutoCompleteTableViewController::update()
{
    // Colours are read on every paint; the columns' order is read from the appearance too.
    m_tableView->viewport()->update();
}

void KVAutoCompleteTableViewController::moveUpSelection()
{
    const int row = autocomplete::rowAfterMoveUp(m_selectedRow, numberOfRows());
    if (row == m_selectedRow)
        return;
    selectRow(row);
    makeRowVisible(row);
}

void KVAutoCompleteTableViewController::moveDownSelection()
{
    const int row = autocomplete::rowAfterMoveDown(m_selectedRow, numberOfRows());
    if (row == m_selectedRow)
        return;
    selectRow(row);
    makeRowVisible(row);
}

void KVAutoCompleteTableViewController::makeRowVisible(int row)
{
    const double top = m_tableView->contentTop();
    const double target = autocomplete::scrollTopToShowRow(row, rowHeight(), m_tableView->viewport()->height(), top);
    if (target != top)
        m_tableView->scrollContentTo(target);
}

void KVAutoCompleteTableViewController::clickItem()
{
    if (m_controller)
        m_controller->selectCurrent();
}

KVAutoCompleteTableRowView KVAutoCompleteTableViewController::rowViewForRow(int row) const
{
    KVAutoCompleteTableRowView view;
    if (!m_controller || row < 0 || row >= numberOfRows())
        return view;
    const KVAutoCompletion& item = m_controller->autoCompletionSet().completions().at(row);
    view.selected = row == m_selectedRow;
    if (m_controller->appearance().typeColorHasHighlight) {
        const QColor colour = autocomplete::colorFromType(item.type());
        if (colour.isValid())
            view.typeColorHighlight = item.isUsedObjectKey() ? autocomplete::darkerColor(colour) : colour;
    }
    return view;
}

void KVAutoCompleteTableViewController::fillBackground(QPainter& painter, const QRectF& rect) const
{
    if (m_controller)
        painter.fillRect(rect, hex(m_controller->appearance().windowColor));
}

void KVAutoCompleteTableViewController::drawRow(QPainter& painter, int row, const QRectF& rect) const
{
    if (!m_controller || row < 0 || row >= numberOfRows())
        return;
    const KVAutoCompleteAppearance& look = m_controller->appearance();
    const KVAutoCompletion& item = m_controller->autoCompletionSet().completions().at(row);
    const KVAutoCompleteTableRowView rowView = rowViewForRow(row);
    rowView.draw(painter, rect, hex(look.windowColor), hex(look.backgroundActiveColor),
                 autocomplete::typeBarWidth(m_controller->storedFontSize()));
    const unsigned state = rowView.selected ? KVAutoCompleteTableRowSelectionProtocol::Selected
                                            : KVAutoCompleteTableRowSelectionProtocol::NotSelected;
    const double height = rowHeight();
    for (Column column : columns()) {
        const QRectF cell(rect.left() + columnX(column), rect.top(), columnWidth(column), rect.height());
        if (column == Column::Icon) {
            KVAutoCompleteIconView icon([this](const QString& t) { return m_controller->selectedIconForType(t); },
                                        [this](const QString& t) { return m_controller->tintedIconForType(t); });
            icon.type = item.type();
            icon.setRowState(state);
            icon.draw(painter, cell);
            continue;
        }
        KVAutoCompleteTextField field(hex(look.autoCompleteWordColor), hex(look.autoCompleteWordActiveColor));
        if (column == Column::Word) {
            field.text = item.word();
            field.font = m_normalFont;
            field.highlightedPrefix = m_controller->currentRangeForUserCompletion().length;
            field.normalColor = hex(look.autoCompleteWordColor);
            field.leftConstraint = m_controller->columnMargin() - 2;
        } else {
            field.text = item.type();
            field.font = m_typeFont;
            field.alignment = Qt::AlignRight;
            if (look.typeActiveHasColor)
                field.activeColor = autocomplete::colorFromType(item.type());
            field.normalColor = hex(look.autoCompleteTypeNormalColor);
            field.topConstraint = 1;
            field.leftConstraint = height / 7 - 2;
        }
        if (item.isUsedObjectKey()) {
            field.normalColor = hex(QStringLiteral("444444"));
            field.activeColor = hex(QStringLiteral("555555"));
        }
        field.setRowState(state);
        field.draw(painter, cell);
    }
}
