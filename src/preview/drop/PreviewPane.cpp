#include "preview/drop/PreviewPane.h"

#include "preview/RBZelvorViewController.h"
#include "preview/drop/RBFullScreenView.h"
#include "preview/drop/RBPreviewDropController.h"
#include "preview/drop/RBZelvorDragDropView.h"

RBPreviewPane makePreviewPane(RBZelvorViewController& preview, RBPreviewDropEditor* editor, QObject* codeTextView,
                              QWidget* parent)
{
    RBPreviewPane pane;
    pane.view = new RBZelvorWrapView(parent);
    pane.view->setViewController(&preview);
    pane.view->setContentView(preview.view());
    pane.drops = new RBPreviewDropController(&preview, pane.view);
    pane.drops->setEditor(editor);
    if (codeTextView)
        pane.drops->observePastedFiles(codeTextView);
    pane.dropView = new RBZelvorDragDropView(pane.view);
    pane.dropView->setZelvorViewController(&preview);
    pane.dropView->setDropController(pane.drops);
    return pane;
}

