#pragma once

#include <QString>

// Where users send feedback: the address this build names (CMake setting
// ZELVOR_FEEDBACK_ADDRESS), which Help ▸ Send Feedback… writes to with the desktop's mail
// program. Texts that ask for a report name that item only when it can be used.
namespace feedback {

// The build's feedback address, or empty when it names none.
QString address();

// The closing sentence of a failure that may be worth reporting: names Help ▸ Send Feedback…
// when the build has an address, else asks the user to tell whoever provided the application.
QString persistentProblemHint();

// A "mailto:" address for the message: the subject, and a body that ends with the versions of
// the application, the system and Qt, so a report says what it ran on. Empty without an
// address.
QString mailtoURL(const QString& address, const QString& appVersion, const QString& systemName);

} // namespace feedback
