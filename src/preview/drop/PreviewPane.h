#pragma once

class QObject;
class QWidget;
class RBPreviewDropController;
class RBPreviewDropEditor;
class RBZelvorDragDropView;
class RBZelvorViewController;
class RBZelvorWrapView;

// The preview pane of a document window, ready to be put in the window: the preview's view
// inside the wrap view, the drop view over it, the drop handling behind it. Everything made
// belongs to the wrap view.
struct RBPreviewPane {
    RBZelvorWrapView* view = nullptr;
    RBZelvorDragDropView* dropView = nullptr;
    RBPreviewDropController* drops = nullptr;
};

// `editor` receives the snippets of dropped files (it may be set later on `drops`);
// `codeTextView`, when given, is the editor's text view whose pasted files are handled as drops.
RBPreviewPane makePreviewPane(RBZelvorViewController& preview, RBPreviewDropEditor* editor = nullptr,
                              QObject* codeTextView = nullptr, QWidget* parent = nullptr);

