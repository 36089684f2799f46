#include "messages/FeedbackAddress.h"

#include <QUrl>

#ifndef ZELVOR_FEEDBACK_ADDRESS
#define ZELVOR_FEEDBACK_ADDRESS ""
#endif

namespace feedback {

QString address()
{
    return QStringLiteral(ZELVOR_FEEDBACK_ADDRESS).trimmed();
}

QString persistentProblemHint()
{
    if (address().isEmpty())
        return QStringLiteral("If this persists, please tell whoever provided your copy of Zelvor Studio.");
    return QStringLiteral("If this persists, please use Help \u25B8 Send Feedback\u2026; the message it starts names the "
                          "versions of Zelvor Studio and of the system.");
}

QString mailtoURL(const QString& to, const QString& appVersion, const QString& systemName)
{
    const QString recipient = to.trimmed();
    if (recipient.isEmpty())
        return {};
    const QString body = QStringLiteral("\n\n--\nZelvor Studio %1\n%2\nQt %3\n")
                             .arg(appVersion, systemName, QLatin1String(qVersion()));
    // Everything but the unreserved characters percent-encoded: mail programs differ in what
    // they decode, and a "+" or "&" must not cut the body short.
    auto encoded = [](const QString& text, const QByteArray& keep = {}) {
        return QString::fromLatin1(QUrl::toPercentEncoding(text, keep));
    };
    return QStringLiteral("mailto:") + encoded(recipient, "@") + QStringLiteral("?subject=")
           + encoded(QStringLiteral("Zelvor Studio feedback")) + QStringLiteral("&body=") + encoded(body);
}

} // namespace feedback
