#pragma once

#include <QString>

namespace welcome {

enum class CheckboxState { Unchecked, Checked };

inline QString imageName(CheckboxState state)
{
    return state == CheckboxState::Checked ? QStringLiteral("checkBoxChecked") : QStringLiteral("checkBox");
}

inline CheckboxState toggle(CheckboxState state)
{
    return state == CheckboxState::Checked ? CheckboxState::Unchecked : CheckboxState::Checked;
}

} // namespace welcome
