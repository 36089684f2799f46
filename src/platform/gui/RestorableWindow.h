#pragma once

#include <QVariantMap>

namespace platform {

// A window that comes back at the next launch when its document was open at quitting: it says
// what to keep of itself, and is told when it has been brought back with that state.
class RestorableWindow {
public:
    virtual ~RestorableWindow() = default;
    virtual QVariantMap encodeRestorableState() const = 0;
    virtual void windowDidDecodeRestorableState(const QVariantMap& state) = 0;
};

} // namespace platform
