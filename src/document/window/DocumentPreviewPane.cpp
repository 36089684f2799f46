#include "document/window/DocumentPreviewPane.h"

#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "document/modules/RBZelvorModuleManager.h"
#include "document/window/RBCodeEditDropEditor.h"
#include "editor/RBCodeEditViewController.h"
#include "preview/RBZelvorViewController.h"
#include "preview/drop/RBFullScreenView.h"
#include "preview/drop/RBPreviewDropController.h"

RBPreviewPane makePreviewPane(RBZelvorViewController& preview, RBCodeEditViewController& editor, QWidget* parent)
{
    RBPreviewPane pane = makePreviewPane(preview, nullptr, editor.codeView() ? editor.codeView()->textView() : nullptr, parent);
    pane.drops->setEditor(new RBCodeEditDropEditor(&editor, pane.view));
    preview.setModuleBuilderFactory(RBZelvorModuleManager::factory());
    return pane;
}
