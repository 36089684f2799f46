#include "messages/PasteNotificationName.h"

const QString& PasteNotificationName::Image()
{
    static const QString name = QStringLiteral("KVCodeTextViewPastedImageNotification");
    return name;
}

const QString& PasteNotificationName::Video()
{
    static const QString name = QStringLiteral("KVCodeTextViewPastedVideoNotification");
    return name;
}

const QString& PasteNotificationName::Module()
{
    static const QString name = QStringLiteral("KVCodeTextViewPastedModuleNotification");
    return name;
}
