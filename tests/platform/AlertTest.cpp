#include "platform/gui/Alert.h"

#include <QApplication>
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
    alert.addButton(QStringLiteral("OK"));
    alert.addButton(QStringLiteral("Show Log"));
    QTimer::singleShot(50, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                for (QAbstractButton* b : box->buttons())
                    if (b->text() == QStringLiteral("Show Log"))
                        b->click();
            }
        }
    });
    EXPECT_EQ(alert.runModal(), 1001);

    Alert plain; // no buttons: one "OK"
    QTimer::singleShot(50, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w))
                box->buttons().first()->click();
    });
    EXPECT_EQ(plain.runModal(), 1000);
    EXPECT_EQ(plain.buttonTitles(), QStringList{QStringLiteral("OK")});
}
