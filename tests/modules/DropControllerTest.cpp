// Files dropped on the preview or pasted into the editor: what lands in the project, which
// snippet the editor gets, and that nothing of the project is lost on the way.
#include "DropTestSupport.h"
#include "ModuleTestFiles.h"
#include "../previewcontroller/FakePreviewDocument.h"

#include "platform/FileUtils.h"
#include "platform/NotificationCenter.h"
#include "platform/gui/Alert.h"
#include "preview/RBZelvorViewController.h"
#include "preview/drop/RBPreviewDropController.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class DropController : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(project.isValid() && outside.isValid() && dataHome.isValid());
        qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
        document = std::make_unique<FakePreviewDocument>(project.path());
        preview = std::make_unique<RBZelvorViewController>();
        preview->setDocument(document.get());
        testsupport::spin(10);
        drops = std::make_unique<RBPreviewDropController>(preview.get());
        drops->setEditor(&editor);
        platform::Alert::setTestResponder([this](const platform::Alert& alert) {
            alerts << alert.messageText() + QStringLiteral(" | ") + alert.informativeText();
            return answer;
        });
    }
    void TearDown() override
    {
        platform::Alert::setTestResponder(nullptr);
        qunsetenv("XDG_DATA_HOME");
    }

    QString inProject(const QString& relative) const { return QDir(project.path()).filePath(relative); }
    QString outsideFile(const QString& name) const { return QDir(outside.path()).filePath(name); }
    QStringList trashed() const { return QDir(dataHome.filePath(QStringLiteral("Trash/files"))).entryList(QDir::Files); }

    QTemporaryDir project, outside, dataHome;
    std::unique_ptr<FakePreviewDocument> document;
    std::unique_ptr<RBZelvorViewController> preview;
    std::unique_ptr<RBPreviewDropController> drops;
    SnippetEditor editor;
    QStringList alerts;
    int answer = platform::Alert::kFirstButtonReturn;
};

} // namespace

TEST_F(DropController, ImagesAndVideosLandInImagesWithTheirSizes)
{
    editor.text = QStringLiteral("# my prototype");
    ASSERT_TRUE(droptest::writeImage(outsideFile("Photo.PNG"), QSize(120, 80)));
    ASSERT_TRUE(droptest::writeMovie(outsideFile("clip.mov"), QSize(64, 48)));
    ASSERT_TRUE(droptest::writeMovie(outsideFile("sound.m4a"), QSize()));

    EXPECT_TRUE(drops->handleDroppedFiles({outsideFile("Photo.PNG"), outsideFile("clip.mov"), outsideFile("sound.m4a")}));
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join('\n').toStdString();
    for (const char* name : {"images/Photo.PNG", "images/clip.mov", "images/sound.m4a"})
        EXPECT_TRUE(QFileInfo::exists(inProject(name))) << name;
    EXPECT_EQ(platform::md5OfFile(inProject("images/Photo.PNG")), platform::md5OfFile(outsideFile("Photo.PNG")));
    const QString video = QStringLiteral("\tbackgroundColor: \"black\"\n\thtml: \"<video src=\\\"images/%1\\\" width=\\\"%2\\\" "
                                         "height=\\\"%3\\\" autoplay loop muted playsinline></video>\"\n");
    EXPECT_EQ(editor.text.toStdString(),
              (QStringLiteral("# my prototype\n"
                              "# The image \"Photo.PNG\", at its own size\n"
                              "image = new Layer\n\twidth: 120\n\theight: 80\n\timage: \"images/Photo.PNG\"\n"
                              "\n# The video \"clip.mov\", playing in a loop\nvideo = new Layer\n\twidth: 64\n\theight: 48\n")
               + video.arg("clip.mov", "64", "48")
               + QStringLiteral("\n# The video \"sound.m4a\", playing in a loop\nvideo1 = new Layer\n\twidth: 320\n\theight: 240\n")
               + video.arg("sound.m4a", "320", "240"))
                  .toStdString());

    // A file that already lies in the project's images folder is not copied, only used again.
    EXPECT_TRUE(drops->droppedImage(inProject("images/Photo.PNG")));
    EXPECT_EQ(QDir(inProject("images")).entryList(QDir::Files | QDir::Hidden).size(), 3);
    EXPECT_EQ(editor.inserted, (QStringList{"DropImage", "DropVideo", "DropVideo", "DropImage"}));
    EXPECT_TRUE(trashed().isEmpty());
}

TEST_F(DropController, OddFileNamesGiveCodeThatStillFindsTheFile)
{
    // Quotes would end the string, "#" would start an interpolation (and a URL fragment), "%"
    // and "?" would change the URL: the code names the file percent-encoded, the comment as is.
    const QString image = QString::fromUtf8("Ünï \"quoted\" #1 100%?.png");
    const QString video = QStringLiteral("a&b<c>.mp4");
    ASSERT_TRUE(droptest::writeImage(outsideFile(image), QSize(3, 4)));
    ASSERT_TRUE(droptest::writeMovie(outsideFile(video), QSize(8, 6)));
    EXPECT_TRUE(drops->handleDroppedFiles({outsideFile(image), outsideFile(video)}));
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join('\n').toStdString();
    EXPECT_TRUE(QFileInfo::exists(inProject("images/" + image)));
    EXPECT_TRUE(editor.text.contains(QString::fromUtf8("# The image \"Ünï \"quoted\" #1 100%?.png\", at its own size\n")))
        << editor.text.toStdString();
    EXPECT_TRUE(editor.text.contains(QString::fromUtf8("\timage: \"images/Ünï %22quoted%22 %231 100%25%3F.png\"\n")))
        << editor.text.toStdString();
    EXPECT_TRUE(editor.text.contains(QLatin1String("<video src=\\\"images/a%26b%3Cc%3E.mp4\\\"")))
        << editor.text.toStdString();
    EXPECT_EQ(QUrl::fromPercentEncoding("images/\xc3\x9cn\xc3\xaf %22quoted%22 %231 100%25%3F.png"), "images/" + image);
}

TEST_F(DropController, ExistingFilesAreReplacedOnlyWithConsentAndGoToTheTrash)
{
    ASSERT_TRUE(droptest::writeImage(inProject("images/logo.png"), QSize(10, 10), Qt::blue));
    ASSERT_TRUE(droptest::writeImage(outsideFile("logo.png"), QSize(20, 30), Qt::green));
    const QString before = platform::md5OfFile(inProject("images/logo.png"));

    answer = platform::Alert::kFirstButtonReturn + 1; // Cancel
    EXPECT_FALSE(drops->droppedImage(outsideFile("logo.png")));
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.first().startsWith(QLatin1String("\"logo.png\" already exists. Do you want to replace it?")));
    EXPECT_EQ(platform::md5OfFile(inProject("images/logo.png")), before);
    EXPECT_TRUE(editor.inserted.isEmpty());

    answer = platform::Alert::kFirstButtonReturn; // Replace
    EXPECT_TRUE(drops->droppedImage(outsideFile("logo.png")));
    EXPECT_EQ(platform::md5OfFile(inProject("images/logo.png")), platform::md5OfFile(outsideFile("logo.png")));
    ASSERT_EQ(trashed(), QStringList{"logo.png"});
    EXPECT_EQ(platform::md5OfFile(dataHome.filePath("Trash/files/logo.png")), before);
    EXPECT_TRUE(editor.text.contains(QLatin1String("width: 20\n\theight: 30")));
    // No temporary copy is left behind.
    EXPECT_EQ(QDir(inProject("images")).entryList(QDir::Files | QDir::Hidden), QStringList{"logo.png"});

    // The same bytes again: nothing to ask, nothing to copy.
    alerts.clear();
    EXPECT_TRUE(drops->droppedImage(outsideFile("logo.png")));
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_EQ(trashed().size(), 1);
}

TEST_F(DropController, ModulesAreCopiedRequiredOnTopAndReloadThePreview)
{
    moduletest::writeFile(outsideFile("my-helpers.coffee"), "exports.one = 1\n");
    editor.text = QStringLiteral("layer = new Layer\n");
    preview->setReloadJSPending(false);
    EXPECT_TRUE(drops->droppedModule(outsideFile("my-helpers.coffee")));
    EXPECT_TRUE(QFileInfo::exists(inProject("modules/my-helpers.coffee")));
    EXPECT_TRUE(preview->reloadJSPending()) << "the preview reloads for the new module";
    EXPECT_EQ(editor.text, QStringLiteral("myHelpers = require \"my-helpers\"\nlayer = new Layer\n"));

    // Dropped again with new content: replaced after asking, and the existing require line is
    // found instead of adding a second one.
    moduletest::writeFile(outsideFile("my-helpers.coffee"), "exports.one = 2\n");
    EXPECT_TRUE(drops->droppedModule(outsideFile("my-helpers.coffee")));
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.first().contains(QLatin1String("A module with the same name already exists in this project.")));
    EXPECT_EQ(testsupport::readFile(inProject("modules/my-helpers.coffee")), QStringLiteral("exports.one = 2\n"));
    EXPECT_EQ(editor.caret, QStringLiteral("myHelpers = require \"my-helpers\"").size());
    EXPECT_EQ(editor.inserted, QStringList{"DropModule"});

    // Cancel leaves folder, preview and text as they are.
    moduletest::writeFile(outsideFile("my-helpers.coffee"), "exports.one = 3\n");
    answer = platform::Alert::kFirstButtonReturn + 1;
    preview->setReloadJSPending(false);
    editor.caret = -1;
    EXPECT_FALSE(drops->droppedModule(outsideFile("my-helpers.coffee")));
    EXPECT_EQ(testsupport::readFile(inProject("modules/my-helpers.coffee")), QStringLiteral("exports.one = 2\n"));
    EXPECT_FALSE(preview->reloadJSPending());
    EXPECT_EQ(editor.caret, -1);

    // The single-quoted form is found too.
    moduletest::writeFile(outsideFile("other.js"), "module.exports = 1;\n");
    editor.text = QStringLiteral("x = 1\no = require 'other'\n");
    EXPECT_TRUE(drops->droppedModule(outsideFile("other.js")));
    EXPECT_EQ(editor.caret, editor.text.indexOf(QLatin1String("require 'other'")) + 15);
}

TEST_F(DropController, UnusableFilesChangeNothingAndAreNamedInOneMessage)
{
    moduletest::writeFile(outsideFile("fake.png"), "this is text, not a picture");
    moduletest::writeFile(outsideFile("fake.mp4"), "nor is this a film");
    moduletest::writeFile(outsideFile("notes.pdf"), "%PDF");
    ASSERT_TRUE(droptest::writeImage(outsideFile("good.gif"), QSize(4, 5)));
    const QString gone = outsideFile("gone.jpg");

    EXPECT_TRUE(drops->handleDroppedFiles({outsideFile("fake.png"), outsideFile("fake.mp4"), outsideFile("notes.pdf"), gone,
                                           outsideFile("good.gif")}));
    ASSERT_EQ(alerts.size(), 1);
    const QString message = alerts.first();
    EXPECT_TRUE(message.startsWith(QLatin1String("4 files were not added to the project."))) << message.toStdString();
    for (const char* part : {"“fake.png” is not an image that can be read.", "“fake.mp4” is not a video that can be read.",
                             "“notes.pdf” is not an image", "“gone.jpg” can no longer be found."})
        EXPECT_TRUE(message.contains(QString::fromUtf8(part))) << part;
    EXPECT_EQ(QDir(inProject("images")).entryList(QDir::Files), QStringList{"good.gif"});
    EXPECT_EQ(editor.inserted, QStringList{"DropImage"});

    // A file that vanishes between the check and the copy is reported by the copy itself.
    alerts.clear();
    moduletest::writeFile(outsideFile("late.js"), "x");
    QFile::remove(outsideFile("late.js"));
    EXPECT_FALSE(drops->droppedModule(outsideFile("late.js")));
    drops->reportProblems();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.first().contains(QString::fromUtf8("“late.js” can no longer be found.")));
}

TEST_F(DropController, PastedFilesOfTheEditorsTextViewAreHandledAsDrops)
{
    QObject textView, otherView;
    drops->observePastedFiles(&textView);
    ASSERT_TRUE(droptest::writeImage(outsideFile("pasted.jpg"), QSize(7, 9)));
    moduletest::writeFile(outsideFile("lib.js"), "module.exports = 1;\n");
    auto& center = platform::NotificationCenter::defaultCenter();
    center.post(QStringLiteral("KVCodeTextViewPastedImageNotification"), &otherView, {{"filePath", outsideFile("pasted.jpg")}});
    EXPECT_TRUE(editor.inserted.isEmpty()) << "another editor's paste is not ours";
    center.post(QStringLiteral("KVCodeTextViewPastedImageNotification"), &textView, {{"filePath", outsideFile("pasted.jpg")}});
    center.post(QStringLiteral("KVCodeTextViewPastedModuleNotification"), &textView, {{"filePath", outsideFile("lib.js")}});
    EXPECT_EQ(editor.inserted, (QStringList{"DropImage", "DropModule"}));
    EXPECT_TRUE(QFileInfo::exists(inProject("images/pasted.jpg")));
    EXPECT_TRUE(QFileInfo::exists(inProject("modules/lib.js")));

    // A pasted image that is not one is refused with a message, as a drop is.
    moduletest::writeFile(outsideFile("broken.png"), "nope");
    center.post(QStringLiteral("KVCodeTextViewPastedImageNotification"), &textView, {{"filePath", outsideFile("broken.png")}});
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(inProject("images/broken.png")));
}
