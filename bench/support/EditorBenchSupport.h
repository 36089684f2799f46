#pragma once

#include "autocomplete/KVAutoCompleteController.h"
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "document/RBDocument.h"
#include "editor/RBCodeEditViewController.h"
#include "compiler/CodeTranspiler.h"
#include "platform/UserDefaults.h"
#include "support/BenchSupport.h"

#include <QTemporaryDir>
#include <QTest>

namespace benchsupport {

// Before the application object: offscreen windows and the source tree's resources.
inline void prepareOffscreenEditor()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qgetenv("ZELVOR_RESOURCES").isEmpty())
        qputenv("ZELVOR_RESOURCES", ZELVOR_SOURCE_DIR "/resources");
}

// The whole editor of a document in a shown window, with the application's completion popup
// as the presenter of its requests.
struct EditorWithPopup {
    QTemporaryDir dir;
    platform::UserDefaults defaults{dir.filePath(QStringLiteral("defaults.json"))};
    RBDocument document;
    RBCodeEditViewController controller{&document, nullptr, &defaults};
    KVAutoCompleteController popup{&defaults};
    KVCodeTextView* textView = controller.codeView()->textView();

    EditorWithPopup()
    {
        KVAutoCompletePresenter::setShared(&popup);
        controller.view()->resize(900, 700);
        controller.view()->show();
        (void)QTest::qWaitForWindowExposed(controller.view());
    }
    ~EditorWithPopup() { KVAutoCompletePresenter::setShared(nullptr); }

    bool isIdle() const
    {
        const CodeTranspiler* transpiler = controller.transpiler();
        return transpiler->isIdle() && !transpiler->hasPendingCoffeeScript();
    }

    // The program in the editor, compiled, and the keyboard's focus in its text.
    void showCompiled(const QString& program)
    {
        controller.setContent(program);
        spinUntil([this] { return isIdle(); }, 20000);
        textView->setFocus();
    }
};

} // namespace benchsupport
