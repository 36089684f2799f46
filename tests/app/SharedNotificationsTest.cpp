#include "messages/NotificationName.h"
#include "messages/RBDocumentStateUpdate.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

using platform::Notification;
using platform::NotificationCenter;

TEST(SharedNotifications, StateUpdatesReachOnlyTheirDocumentAndTheNewestWins)
{
    QObject document, otherDocument;
    std::optional<RBDocumentStateUpdate> current;
    int received = 0;
    const auto token = NotificationCenter::defaultCenter().addObserver(
        RBDocumentStateUpdateNotification, &document, [&](const Notification& n) {
            current = RBDocumentStateUpdate::fromNotification(n);
            ++received;
        });

    RBDocumentStateUpdate fresh;
    EXPECT_TRUE(fresh.type().isEmpty());
    EXPECT_FALSE(fresh.duration().has_value());
    EXPECT_EQ(fresh.lineIndex(), 0u);

    RBDocumentStateUpdate error;
    error.setState(RBDocumentStateError);
    error.setType(QStringLiteral("syntax"));
    error.setMessage(QStringLiteral("unexpected indentation"));
    error.setLineIndex(3);
    error.setColumnIndex(7);
    error.post(&document);
    ASSERT_TRUE(current.has_value());
    EXPECT_TRUE(current->isError());
    EXPECT_EQ(current->lineIndex(), 3u);
    EXPECT_EQ(current->columnIndex(), 7u);

    RBDocumentStateUpdate success;
    success.setState(RBDocumentStateOk);
    success.setDuration(0.0123);
    success.post(&document);
    success.post(&otherDocument); // another document's record never reaches this observer
    EXPECT_EQ(received, 2);
    EXPECT_EQ(current->state(), RBDocumentStateOk);
    EXPECT_TRUE(current->type().isEmpty());
    EXPECT_TRUE(current->message().isEmpty());
    EXPECT_DOUBLE_EQ(current->duration().value_or(0), 0.0123);
    EXPECT_EQ(current->clientCodeId(), 0u);

    // A notification without a record yields none.
    EXPECT_FALSE(RBDocumentStateUpdate::fromNotification(Notification{RBDocumentStateUpdateNotification, &document, {}}));
    NotificationCenter::defaultCenter().removeObserver(token);
}
