#include "autocomplete/PopupEvents.h"

namespace autocomplete {

PopupEventDecision decidePopupEvent(PopupEventKind kind, PopupKey key, bool altHeld, bool rowSelected,
                                    bool tabAcceptsFirst)
{
    switch (kind) {
    case PopupEventKind::MouseDownOutside:
        return {PopupAction::Cancel, true};
    case PopupEventKind::MouseDownInside:
    case PopupEventKind::Other:
        return {PopupAction::None, false};
    case PopupEventKind::KeyDown:
        break;
    }
    if (key == PopupKey::Up)
        return {PopupAction::MoveUp, true};
    if (key == PopupKey::Down)
        return {PopupAction::MoveDown, true};
    if (!rowSelected) {
        if (key == PopupKey::Tab && tabAcceptsFirst && !altHeld)
            return {PopupAction::InsertFirst, true};
        if (key == PopupKey::Escape)
            return {PopupAction::Close, true};
        if (key == PopupKey::Left || key == PopupKey::Right)
            return {PopupAction::Close, false};
        return {PopupAction::None, false};
    }
    switch (key) {
    case PopupKey::Left:
    case PopupKey::Right:
    case PopupKey::Escape:
        return {PopupAction::Cancel, true};
    case PopupKey::Enter:
    case PopupKey::Tab:
        // Alt with Return or Tab types the key itself.
        return altHeld ? PopupEventDecision{PopupAction::None, false} : PopupEventDecision{PopupAction::Insert, true};
    default:
        return {PopupAction::ClearSelection, false};
    }
}

std::optional<QString> completionWordToInsert(int movement, bool isFinal, const QString& originalWord,
                                              int selectedRow, const QList<KVAutoCompletion>& items)
{
    const bool cancel = movement == CancelTextMovement;
    if (!cancel && !isFinal)
        return std::nullopt;
    if (cancel || selectedRow < 0 || selectedRow >= items.size())
        return originalWord;
    return items.at(selectedRow).word();
}

} // namespace autocomplete
