#pragma once

class QObject;
class QWidget;
class RBCodeEditViewController;
class RBPreviewDropController;
class RBPreviewDropEditor;
class RBZelvorDragDropView;
class RBZelvorViewController;
class RBZelvorWrapView;

// The preview pane of a document window, ready to be put in the window: the preview's view
// inside the wrap view, the drop view over it, the drop handling behind it. The preview also
// gets the project's module builder. Everything made belongs to the wrap view.
struct RBPreviewPane {
    RBZelvorWrapView* view = nullptr;
    RBZelvorDragDropView* dropView = nullptr;
    RBPreviewDropController* drops = nullptr;
};

// `editor` receives the snippets of dropped files (it may be set later on `drops`);
// `codeTextView`, when given, is the editor's text view whose pasted files are handled as drops.
RBPreviewPane makePreviewPane(RBZelvorViewController& preview, RBPreviewDropEditor* editor = nullptr,
                              QObject* codeTextView = nullptr, QWidget* parent = nullptr);

// The same for a document window: the snippets go to the document's code editor, and files
// pasted into its text view are handled as drops.
RBPreviewPane makePreviewPane(RBZelvorViewController& preview, RBCodeEditViewController& editor, QWidget* parent = nullptr);
