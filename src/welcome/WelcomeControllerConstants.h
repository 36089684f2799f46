#pragma once

#include "platform/VariantExtras.h"

#include <QString>
#include <QVariant>

// The user-defaults keys of the welcome window and the mailing-list sign-up. Their whole state
// lives in the defaults; every write is followed by a synchronize.
struct WelcomeControllerConstants {
    // Bool, true once both mailing lists have accepted the subscriber.
    static inline const QString WelcomeWindowUserContactSucces = QStringLiteral("WelcomeWindowUserContactSend");
    // Presence marks the list as done, whatever the stored value.
    static inline const QString WelcomeWindowDripCourseSucces = QStringLiteral("WelcomeWindowDripCourseSucces");
    static inline const QString WelcomeWindowNewsletterSucces = QStringLiteral("WelcomeWindowNewsletterSucces");
    // Trimmed strings typed on the sign-up screen; the address is removed when the service refuses it.
    static inline const QString WelcomeWindowUserName = QStringLiteral("WelcomeWindowUserName");
    static inline const QString WelcomeWindowUserEmail = QStringLiteral("WelcomeWindowUserEmail");
    // Bool, true when the user ticked the box that asks for the mails; nothing is sent without it.
    static inline const QString WelcomeWindowSignupConsent = QStringLiteral("WelcomeWindowSignupConsent");
    // Bool; absent counts as true (and is then written as true).
    static inline const QString WelcomeWindowShowOnStartup = QStringLiteral("WelcomeWindowShowOnStartup");
    // Arrays of dates: one per showing of the sign-up screen, one per press of "Skip".
    static inline const QString WelcomeWindowSignupShown = QStringLiteral("WelcomeWindowEmailScreenShown");
    static inline const QString WelcomeWindowSkipCount = QStringLiteral("WelcomeWindowSkipCount");
};

// While true, the welcome window sends no analytics event and the sign-up client sends nothing.
inline const QString DataCollectionDisabledKey = QStringLiteral("RBDataCollectionDisabled");

// Whether a stored value is a number (or Boolean) at all.
inline bool isNumber(const QVariant& value)
{
    return value.typeId() == QMetaType::Bool || platform::isNumber(value);
}

// Whether a stored value is a number (or Boolean) whose value is true; text never is.
inline bool isTrueNumber(const QVariant& value)
{
    return isNumber(value) && value.toBool();
}
