#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace platform {
class UserDefaults;
}

// How a project window showed its project when it closed: its place and size, the width of
// the code beside the preview, the part of the program in sight, the caret and the layer panel. Kept per user in the settings store, keyed by the project's
// folder, never in the project itself (a project may come from anyone, and what it carries
// must not steer the window). Whatever is read back is only a wish: the window clamps each
// value to what the reopened project has.
struct ProjectViewState {
    QList<int> frame;              // the window's [x, y, width, height], or empty
    int editorSideWidth = 0;       // the code's side of the window beside the preview
    int firstVisibleLine = 0;      // the code's line at the top of its view (0 the first)
    qsizetype caretLocation = 0;   // where the selection starts
    qsizetype selectionLength = 0;
    bool layerPanelOpen = false;
    int layerPanelWidth = 0;       // while open
    QList<int> collapsedLayers;    // the layer panel's closed rows, by layer id

    bool operator==(const ProjectViewState&) const = default;
};

namespace ProjectViewStates {

// The settings key holding the states, one entry per project folder.
QString storeKey();
// The most projects remembered; the least recently closed are forgotten first.
constexpr int kMaxProjects = 100;
// The most closed rows remembered per project.
constexpr int kMaxCollapsedLayers = 1000;

// The state kept for the project folder, or nothing when there is none. Values of the wrong
// type, or negative, are read as absent (their default).
std::optional<ProjectViewState> read(const platform::UserDefaults& store, const QString& projectPath);
// Keeps the state for the project folder as the newest entry.
void write(platform::UserDefaults& store, const QString& projectPath, const ProjectViewState& state);

} // namespace ProjectViewStates
