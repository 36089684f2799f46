#include "messages/RBDocumentStateUpdate.h"

#include "platform/NotificationCenter.h"

void RBDocumentStateUpdate::post(QObject* document) const
{
    platform::NotificationCenter::defaultCenter().post(RBDocumentStateUpdateNotification, document,
                                                       {{QStringLiteral("update"), QVariant::fromValue(*this)}});
}

std::optional<RBDocumentStateUpdate> RBDocumentStateUpdate::fromNotification(const platform::Notification& notification)
{
    const QVariant value = notification.userInfo.value(QStringLiteral("update"));
    if (!value.canConvert<RBDocumentStateUpdate>())
        return std::nullopt;
    return value.value<RBDocumentStateUpdate>();
}

void RBDocumentStateUpdate::setMessage(const QString& message)
{
    if (message.size() <= MaximumMessageLength) {
        m_message = message;
        return;
    }
    qsizetype end = MaximumMessageLength - 1;
    if (message.at(end - 1).isHighSurrogate())
        --end; // never half a character
    m_message = message.left(end) + QChar(0x2026);
}
