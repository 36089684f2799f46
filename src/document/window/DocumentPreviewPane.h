#pragma once

#include "preview/drop/PreviewPane.h"

class QWidget;
class RBCodeEditViewController;
class RBZelvorViewController;

// The preview pane of a document window: the snippets of dropped files go to the document's code
// editor, files pasted into its text view are handled as drops, and the preview gets the
// project's module builder.
RBPreviewPane makePreviewPane(RBZelvorViewController& preview, RBCodeEditViewController& editor, QWidget* parent = nullptr);
