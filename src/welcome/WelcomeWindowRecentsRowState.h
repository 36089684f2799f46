#pragma once

#include <QString>

namespace welcome {

enum class WelcomeWindowRecentsRowState { Selected, Normal };

inline QString imageName(WelcomeWindowRecentsRowState state)
{
    return state == WelcomeWindowRecentsRowState::Selected ? QStringLiteral("recentsActive")
                                                           : QStringLiteral("recents");
}

// A view whose look follows the selection of its row.
class WelcomeWindowRowSelectionProtocol {
public:
    virtual ~WelcomeWindowRowSelectionProtocol() = default;
    virtual void setRowState(WelcomeWindowRecentsRowState state) = 0;
};

} // namespace welcome
