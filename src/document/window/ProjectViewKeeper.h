#pragma once

#include "document/window/ProjectViewState.h"

#include <QObject>
#include <QPointer>

class RBCodeEditViewController;
class RBDocument;
class RBDocumentWindow;
class RBLayerPanelViewController;

namespace platform {
class UserDefaults;
}

// Keeps a saved project's view (the window's frame and panes, the code's scroll position and
// caret, the layer panel's state) in the user's settings when its document closes, and shows it again when the project
// opens in a new window, each value held to what the reopened project and window allow.
// Main thread only; the window owns it.
class ProjectViewKeeper : public QObject {
    Q_OBJECT
public:
    // `store` is the settings store (the standard one when null).
    ProjectViewKeeper(RBDocument& document, RBDocumentWindow& window, RBCodeEditViewController& editor,
                      RBLayerPanelViewController& layerPanel, platform::UserDefaults* store = nullptr);

    ProjectViewState currentState() const;
    // Shows the state, clamped: a frame on no screen is ignored, the panes follow the rules of
    // a drag of their dividers (a layer panel that would leave the code too narrow is
    // narrowed), a caret past the end of the text stands at the end, the line at the top
    // comes back there, a line past the end of the text shows the last page.
    void apply(const ProjectViewState& state);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restoreWhenLoaded(int attemptsLeft);
    void save();

    QPointer<RBDocument> m_document;
    QPointer<RBDocumentWindow> m_window;
    QPointer<RBCodeEditViewController> m_editor;
    QPointer<RBLayerPanelViewController> m_layerPanel;
    platform::UserDefaults* m_store;
    bool m_restoreStarted = false;
};
