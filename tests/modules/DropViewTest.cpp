// The drop view over the preview pane and the pane's full-screen root, driven by the events
// that Qt delivers during a drag and on key presses.
#include "DropTestSupport.h"
#include "../previewcontroller/FakePreviewDocument.h"

#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "document/RBDocument.h"
#include "editor/RBCodeEditViewController.h"
#include "platform/UserDefaults.h"
#include "platform/gui/Alert.h"
#include "preview/RBZelvorViewController.h"
#include "webview/RBWebViewController.h"
#include "document/window/DocumentPreviewPane.h"
#include "preview/drop/RBDropBorderOverlay.h"
#include "preview/drop/RBFullScreenView.h"
#include "preview/drop/RBPreviewDropController.h"
#include "preview/drop/RBZelvorDragDropView.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWebEngineView>

#include <gtest/gtest.h>

namespace {

class DropView : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(project.isValid() && outside.isValid());
        document = std::make_unique<FakePreviewDocument>(project.path());
        preview = std::make_unique<RBZelvorViewController>();
        preview->setDocument(document.get());
        window.resize(800, 500);
        auto* layout = new QHBoxLayout(&window);
        codeStandIn = new QLineEdit;
        layout->addWidget(codeStandIn);
        pane = makePreviewPane(*preview, &editor);
        layout->addWidget(pane.view);
        window.show();
        testsupport::spin(20);
        platform::Alert::setTestResponder([](const platform::Alert&) { return platform::Alert::kFirstButtonReturn; });
    }
    void TearDown() override { platform::Alert::setTestResponder(nullptr); }

    QMimeData* files(const QStringList& names) const
    {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const QString& name : names)
            urls << QUrl::fromLocalFile(QDir(outside.path()).filePath(name));
        data->setUrls(urls);
        return data;
    }
    // Sends a drag step to the widget under the point, as Qt's drag manager does.
    bool send(QEvent::Type type, QMimeData* data, Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction)
    {
        QWidget* target = pane.view;
        const QPointF at(pane.view->width() / 2.0, pane.view->height() / 2.0);
        if (type == QEvent::DragEnter) {
            QDragEnterEvent event(at.toPoint(), actions, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &event);
            return event.isAccepted() && event.dropAction() == Qt::CopyAction;
        }
        if (type == QEvent::DragMove) {
            QDragMoveEvent event(at.toPoint(), actions, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &event);
            return event.isAccepted();
        }
        QDropEvent event(at, actions, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
        return event.isAccepted();
    }

    QTemporaryDir project, outside;
    std::unique_ptr<FakePreviewDocument> document;
    std::unique_ptr<RBZelvorViewController> preview;
    SnippetEditor editor;
    QWidget window;
    QLineEdit* codeStandIn = nullptr;
    RBPreviewPane pane;
};

} // namespace

TEST_F(DropView, LiesOverThePreviewAndLetsTheMouseThrough)
{
    ASSERT_TRUE(pane.view && pane.dropView && pane.drops);
    EXPECT_EQ(pane.view->contentView(), preview->view());
    EXPECT_EQ(pane.dropView->geometry(), pane.view->rect());
    EXPECT_TRUE(pane.dropView->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(preview->zelvorModuleManager(), nullptr);
    EXPECT_EQ(pane.drops->editor(), &editor);
    // The widget under any point of the pane is the preview's, not the drop view.
    QWidget* under = pane.view->childAt(pane.view->rect().center());
    ASSERT_NE(under, nullptr);
    EXPECT_NE(under, pane.dropView);
    EXPECT_TRUE(preview->view()->isAncestorOf(under) || under == preview->view());

    // It follows the pane's size.
    window.resize(900, 700);
    testsupport::spin(20);
    EXPECT_EQ(pane.dropView->geometry(), pane.view->rect());
}

TEST_F(DropView, DragsOfSupportedFilesAreFramedAndCopied)
{
    ASSERT_TRUE(droptest::writeImage(QDir(outside.path()).filePath("a.png"), QSize(3, 4)));
    std::unique_ptr<QMimeData> image(files({"a.png"}));
    std::unique_ptr<QMimeData> unsupported(files({"a.txt"}));

    EXPECT_FALSE(send(QEvent::DragEnter, unsupported.get()));
    EXPECT_FALSE(pane.dropView->isOverlayShown());

    EXPECT_TRUE(send(QEvent::DragEnter, image.get()));
    ASSERT_TRUE(pane.dropView->isOverlayShown());
    RBDropBorderOverlay* overlay = pane.dropView->overlayWindow();
    EXPECT_EQ(overlay->geometry(), window.rect());
    EXPECT_TRUE(overlay->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_TRUE(send(QEvent::DragMove, image.get()));
    QDragLeaveEvent leave;
    QApplication::sendEvent(pane.view, &leave);
    EXPECT_FALSE(pane.dropView->isOverlayShown());

    // A source that does not allow copying shows the border but is refused.
    EXPECT_FALSE(send(QEvent::DragEnter, image.get(), Qt::MoveAction));
    EXPECT_TRUE(pane.dropView->isOverlayShown());

    // The drop is taken at once and handled on the next turn of the event loop.
    EXPECT_TRUE(send(QEvent::DragEnter, image.get()));
    EXPECT_TRUE(send(QEvent::Drop, image.get()));
    EXPECT_FALSE(pane.dropView->isOverlayShown());
    ASSERT_TRUE(testsupport::waitUntil([&] { return !editor.inserted.isEmpty(); }));
    EXPECT_TRUE(QFileInfo::exists(QDir(project.path()).filePath("images/a.png")));
    EXPECT_TRUE(editor.text.contains(QLatin1String("width: 3\n\theight: 4")));

    // Image data offered before the file names is a picture, not a file: refused.
    std::unique_ptr<QMimeData> picture(new QMimeData);
    picture->setData(QStringLiteral("image/png"), "png");
    picture->setUrls({QUrl::fromLocalFile(QDir(outside.path()).filePath("a.png"))});
    EXPECT_FALSE(send(QEvent::Drop, picture.get()));
}

TEST_F(DropView, DragsOverTheWebViewReachTheDropView)
{
    // The web view's inner widgets are where the pointer is; the drag must not end there.
    ASSERT_TRUE(droptest::writeImage(QDir(outside.path()).filePath("b.png"), QSize(2, 2)));
    std::unique_ptr<QMimeData> image(files({"b.png"}));
    QList<QWidget*> targets{preview->webViewController()->webView()};
    targets << preview->webViewController()->webView()->findChildren<QWidget*>();
    for (QWidget* target : targets) {
        QDragEnterEvent event(QPoint(5, 5), Qt::CopyAction, image.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
        EXPECT_TRUE(event.isAccepted()) << target->metaObject()->className();
        QDragLeaveEvent leave;
        QApplication::sendEvent(target, &leave);
    }
}

TEST_F(DropView, TheWebViewTakesTheFocusOnRequest)
{
    QApplication::setActiveWindow(&window);
    codeStandIn->setFocus();
    ASSERT_TRUE(testsupport::waitUntil([&] { return codeStandIn->hasFocus(); }));
    pane.drops->focusWebView(false);
    EXPECT_TRUE(codeStandIn->hasFocus());
    pane.drops->focusWebView(true);
    EXPECT_EQ(pane.drops->previousFirstResponder(), codeStandIn);
    QWidget* web = preview->webViewController()->webView();
    EXPECT_TRUE(testsupport::waitUntil([&] { return web->hasFocus() || web->isAncestorOf(QApplication::focusWidget()); }));
    // Only the preview above its bottom strip takes the focus when tracking is on.
    EXPECT_EQ(pane.dropView->trackingRect(), pane.view->rect().adjusted(0, 0, 0, -30));
}

TEST_F(DropView, EscapeLeavesFullScreenAndOtherwiseGoesOn)
{
    struct KeyRecorder : QObject {
        int escapes = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape)
                ++escapes;
            return false;
        }
    } recorder;
    window.installEventFilter(&recorder);

    // Outside full-screen mode Esc goes on to the enclosing widgets.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(pane.view, &escape);
    EXPECT_EQ(recorder.escapes, 1);

    auto* layout = static_cast<QHBoxLayout*>(window.layout());
    ASSERT_EQ(layout->indexOf(pane.view), 1);
    pane.view->enterFullScreenMode();
    EXPECT_TRUE(pane.view->isInFullScreenMode());
    EXPECT_TRUE(pane.view->isWindow());
    EXPECT_EQ(preview->view()->parentWidget(), pane.view);

    QKeyEvent again(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(pane.view, &again);
    EXPECT_FALSE(pane.view->isInFullScreenMode());
    EXPECT_FALSE(pane.view->isWindow());
    EXPECT_EQ(layout->indexOf(pane.view), 1) << "back in its place";
    EXPECT_EQ(recorder.escapes, 1);

    // In full-screen mode the preview's web view has the focus as soon as the pointer is over
    // it, and takes the keys it gets: Esc still leaves.
    pane.view->enterFullScreenMode();
    QWidget* web = preview->webViewController()->webView();
    web->setFocus();
    ASSERT_TRUE(testsupport::waitUntil([&] { return QApplication::focusWidget() && web->isAncestorOf(QApplication::focusWidget()); }))
        << "the web view never took the focus";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(testsupport::waitUntil([&] { return !pane.view->isInFullScreenMode(); }, 2000));
    EXPECT_EQ(layout->indexOf(pane.view), 1);

    // The preview's menu commands.
    preview->setReloadJSPending(false);
    pane.view->reloadPreview();
    EXPECT_TRUE(preview->reloadJSPending());
}

TEST(DropPaste, FilesPastedIntoTheCodeEditorLandInTheProjectWithASnippet)
{
    QTemporaryDir project, outside;
    platform::UserDefaults defaults(QDir(outside.path()).filePath("defaults.json"));
    RBDocument editedDocument;
    RBCodeEditViewController editor(&editedDocument, nullptr, &defaults);
    editor.setContent(QStringLiteral("a = 1"));
    FakePreviewDocument document(project.path());
    RBZelvorViewController preview;
    preview.setDocument(&document);
    RBPreviewPane pane = makePreviewPane(preview, editor);
    std::unique_ptr<QWidget> owner(pane.view);

    ASSERT_TRUE(droptest::writeImage(QDir(outside.path()).filePath("shot.png"), QSize(6, 8)));
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QDir(outside.path()).filePath("shot.png"))});
    QApplication::clipboard()->setMimeData(data);
    editor.codeView()->textView()->paste();

    EXPECT_TRUE(QFileInfo::exists(QDir(project.path()).filePath("images/shot.png")));
    EXPECT_TRUE(editor.content().startsWith(QLatin1String("a = 1\n# The image \"shot.png\""))) << editor.content().toStdString();
    EXPECT_TRUE(editor.content().contains(QLatin1String("width: 6\n\theight: 8")));
}
