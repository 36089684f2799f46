#pragma once

class QWidget;
namespace platform {
class UserDefaults;
}

// The Preferences window: the editor's font size, invisible characters and closing pairs, the
// welcome window at start-up and usage data. Each change is written to the user defaults at
// once, which the open editors follow.
class RBPreferencesWindow {
public:
    // Shows the one window (made on first use) and brings it forward.
    static QWidget* show(platform::UserDefaults& defaults);
    // A new window over the defaults (tests).
    static QWidget* create(platform::UserDefaults& defaults, QWidget* parent = nullptr);
};
