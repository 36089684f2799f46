#include "platform/gui/Alert.h"
#include "platform/gui/ApplicationFonts.h"
#include "platform/gui/ModalQuestions.h"

#include <QApplication>
#include <QFontInfo>
#include <QTest>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <thread>

using platform::Alert;

TEST(Alert, ATestResponderAnswersWithoutShowing)
{
    QString asked;
    Alert::setTestResponder([&](const Alert& alert) {
        asked = alert.messageText();
        return Alert::kFirstButtonReturn + 2;
    });
    Alert alert;
    alert.setMessageText(QStringLiteral("Do you want to save the changes?"));
    alert.addButton(QStringLiteral("Save"));
    alert.addButton(QStringLiteral("Cancel"));
    alert.addButton(QStringLiteral("Don't Save"));
    QWidget window;
    EXPECT_EQ(alert.runModalSheetForWindow(&window), 1002);
    EXPECT_EQ(asked, QStringLiteral("Do you want to save the changes?"));

    // From another thread the alert is shown on the main thread and the answer comes back.
    int fromWorker = 0;
    std::thread worker([&] { fromWorker = Alert(alert).runModal(); });
    while (fromWorker == 0)
        QCoreApplication::processEvents();
    worker.join();
    EXPECT_EQ(fromWorker, 1002);
    Alert::setTestResponder(nullptr);
}

TEST(Alert, TheRealDialogReturnsThePressedButton)
{
    ASSERT_FALSE(Alert::hasTestResponder());
    Alert alert;
    alert.setMessageText(QStringLiteral("Import Failed"));
    alert.setInformativeText(QStringLiteral("The layers of this file are nested too deeply to import. Save the design file "
                                            "again with fewer levels of groups, or choose another file."));
    alert.addButton(QStringLiteral("OK"));
    alert.addButton(QStringLiteral("Show Log"));
    int width = 0;
    QTimer::singleShot(50, [&width] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                width = box->width();
                for (QAbstractButton* b : box->buttons())
                    if (b->text() == QStringLiteral("Show Log"))
                        b->click();
            }
        }
    });
    EXPECT_EQ(alert.runModal(), 1001);
    EXPECT_GE(width, 400) << "a short title leaves the explanation a readable width";

    Alert plain; // no buttons: one "OK"
    QTimer::singleShot(50, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w))
                box->buttons().first()->click();
    });
    EXPECT_EQ(plain.runModal(), 1000);
    EXPECT_EQ(plain.buttonTitles(), QStringList{QStringLiteral("OK")});
}

namespace {
QMessageBox* openBox()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            return box;
    return nullptr;
}
} // namespace

// A question asked before a project's window opens (as the offers of a crashed run's work are)
// stays in front of that window once it shows, so the window never looks frozen behind it.
TEST(Alert, AQuestionStaysInFrontOfAWindowThatOpensWhileItIsAsked)
{
    Alert question;
    question.addButton(QStringLiteral("Open"));
    question.addButton(QStringLiteral("Delete"));
    QWidget window;
    bool inFront = false;
    QTimer::singleShot(50, [&] {
        window.show();
        window.activateWindow();
        QTimer::singleShot(100, [&] {
            QMessageBox* box = openBox();
            inFront = box && QApplication::activeWindow() == box;
            if (box)
                box->buttons().first()->click();
        });
    });
    EXPECT_EQ(question.runModal(), 1000);
    EXPECT_TRUE(inFront);
}

// Escape, and a quit that answers the open questions, give the answer that changes nothing:
// never "Don't Save", never "Load from Disk" over unsaved edits. The quit goes on only once the
// code that asked has its answer and has returned to the loop.
TEST(Alert, EscapeAndAQuitAnswerTheQuestionAsCancel)
{
    using platform::ModalQuestions;
    Alert save;
    save.addButton(QStringLiteral("Save"));
    save.addButton(QStringLiteral("Don't Save"));
    save.addButton(QStringLiteral("Cancel"));
    QTimer::singleShot(50, [] { QTest::keyClick(openBox(), Qt::Key_Escape); });
    EXPECT_EQ(save.runModal(), 1002);

    Alert outsideChange;
    outsideChange.addButton(QStringLiteral("Keep My Version"));
    outsideChange.addButton(QStringLiteral("Load from Disk"));
    QStringList order;
    QTimer::singleShot(50, [&] {
        EXPECT_EQ(ModalQuestions::openCount(), 1);
        ModalQuestions::whenNoneOpen([&] { order << QStringLiteral("quit"); });
        ModalQuestions::cancelAll();
    });
    EXPECT_EQ(outsideChange.runModal(), Alert::kNoAnswerReturn);
    order << QStringLiteral("answered");
    EXPECT_EQ(ModalQuestions::openCount(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(order, (QStringList{QStringLiteral("answered"), QStringLiteral("quit")}));

    // On the way out, later questions are answered at once, without showing.
    ModalQuestions::setCancellingEveryQuestion(true);
    Alert update;
    update.addButton(QStringLiteral("Download"));
    update.addButton(QStringLiteral("Skip This Version"));
    update.addButton(QStringLiteral("Remind Me Later"));
    update.setCancelButton(2);
    EXPECT_EQ(update.runModal(), 1002);
    EXPECT_EQ(save.runModal(), 1002);
    ModalQuestions::setCancellingEveryQuestion(false);
}

TEST(ApplicationFonts, TheEditorsFacesAreShippedWithTheApplication)
{
    const QStringList families = platform::loadApplicationFonts(QStringLiteral(ZELVOR_SOURCE_DIR "/resources/Fonts"));
    EXPECT_TRUE(families.contains(QStringLiteral("Roboto"))) << families.join(", ").toStdString();
    EXPECT_TRUE(families.contains(QStringLiteral("Roboto Mono"))) << families.join(", ").toStdString();
    EXPECT_TRUE(QFontInfo(QFont(QStringLiteral("Roboto Mono"))).fixedPitch());
    EXPECT_TRUE(platform::loadApplicationFonts(QString()).isEmpty());
}
