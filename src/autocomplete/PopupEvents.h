#pragma once

#include "CodeTextView/KVAutoCompletion.h"

#include <QList>
#include <QString>

#include <optional>

// What the completion popup does with the events of the application while it is open (keys
// reach it through the editor, which keeps the focus), and which word a choice inserts.
namespace autocomplete {

enum class PopupEventKind { MouseDownOutside, MouseDownInside, KeyDown, Other };
// Enter stands for Return and Enter.
enum class PopupKey { Up, Down, Left, Right, Escape, Enter, Tab, Other };
enum class PopupAction {
    None,
    MoveUp,          // select the row above and show its description; the text stays
    MoveDown,        // the same, below
    Close,           // close, the text as it is
    Cancel,          // put back the word typed before the popup opened and close
    Insert,          // insert the selected item and close
    InsertFirst,     // select the first item, insert it and close
    ClearSelection,  // empty the editor's selection and ask again for completions
};
struct PopupEventDecision {
    PopupAction action = PopupAction::None;
    bool consumed = false; // the event goes no further (the editor never sees it)
};

// Return, Enter and Tab insert the selected row; with no row selected Return and Enter go to
// the editor (a new line), and Tab takes the first row when `tabAcceptsFirst`.
PopupEventDecision decidePopupEvent(PopupEventKind kind, PopupKey key, bool altHeld, bool rowSelected,
                                    bool tabAcceptsFirst = false);

// The platform's text movements of a completion insertion.
enum TextMovement { OtherTextMovement = 0, UpTextMovement = 21, DownTextMovement = 22, CancelTextMovement = 23 };

// The word that replaces the completion range: nothing while moving through the list; the word
// typed before the popup opened on cancel or when no valid row is selected; else the selected
// item's word.
std::optional<QString> completionWordToInsert(int movement, bool isFinal, const QString& originalWord,
                                              int selectedRow, const QList<KVAutoCompletion>& items);

} // namespace autocomplete
