#pragma once

// A cell of the completion list that changes its look with its row's selection.
class KVAutoCompleteTableRowSelectionProtocol {
public:
    enum RowState : unsigned { Selected = 0, NotSelected = 1 };
    virtual ~KVAutoCompleteTableRowSelectionProtocol() = default;
    virtual void setRowState(unsigned state) = 0;
};
