#include "welcome/MailingListSignup.h"

#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "welcome/WelcomeAnalytics.h"
#include "welcome/WelcomeControllerConstants.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <cmath>
#include <cstdio>
#include <optional>

namespace welcome {

QString mailingListHost(); // MailingListBuildSettings.cpp

namespace {

// The service's API key goes as the Basic user name; the password is not checked by it.
const QString kApiKey = QStringLiteral("a3f19c07d2e84b6150c9e7d2b4a80f61");
const QString kApiPassword = QStringLiteral("x");

std::optional<QString> g_serviceURL;
int g_pending = 0;

// A JSON text that may be a bare value at its top level ("true", "12", "\"ok\"").
std::optional<QJsonValue> parseJsonFragment(const QByteArray& body)
{
    QJsonParseError error;
    const QJsonDocument wrapped = QJsonDocument::fromJson("[" + body + "]", &error);
    if (error.error != QJsonParseError::NoError || !wrapped.isArray() || wrapped.array().size() != 1)
        return std::nullopt;
    return wrapped.array().first();
}

QString decimalText(double number)
{
    if (std::isfinite(number) && std::floor(number) == number && std::fabs(number) < 1e15)
        return QString::number(qint64(number));
    return QString::number(number);
}

} // namespace

QString MailingListSignup::serviceURL()
{
    if (g_serviceURL)
        return *g_serviceURL;
    const QString host = mailingListHost();
    return host.isEmpty() ? QString() : QStringLiteral("https://") + host;
}

void MailingListSignup::setServiceURL(const QString& url)
{
    g_serviceURL = url;
}

int MailingListSignup::pendingRequestCount()
{
    return g_pending;
}

QVariantMap MailingListSignup::parameters(const QString& name, const QString& email)
{
    return {
        {QStringLiteral("EmailAddress"), email},
        {QStringLiteral("Name"), name},
        {QStringLiteral("CustomFields"),
         QVariantList{QVariantMap{{QStringLiteral("Key"), QStringLiteral("origin")},
                                  {QStringLiteral("Value"), QStringLiteral("app.welcome")}}}},
        {QStringLiteral("Resubscribe"), false},
        {QStringLiteral("RestartSubscriptionBasedAutoresponders"), false},
    };
}

QStringList MailingListSignup::start(platform::UserDefaults& defaults)
{
    using K = WelcomeControllerConstants;
    const QVariant done = defaults.objectForKey(K::WelcomeWindowUserContactSucces);
    if (isTrueNumber(done))
        return {};
    // The address goes out only with the user's consent, and never while data collection is off.
    if (defaults.boolForKey(DataCollectionDisabledKey) || !defaults.boolForKey(K::WelcomeWindowSignupConsent))
        return {};
    const QVariant email = defaults.objectForKey(K::WelcomeWindowUserEmail);
    if (email.typeId() != QMetaType::QString)
        return {};
    const QVariant name = defaults.objectForKey(K::WelcomeWindowUserName);

    QStringList lists;
    if (!defaults.hasKey(K::WelcomeWindowDripCourseSucces))
        lists.append(OnboardingDripCourseListId);
    if (!defaults.hasKey(K::WelcomeWindowNewsletterSucces))
        lists.append(NewsletterListId);
    if (lists.isEmpty())
        return {};
    if (serviceURL().isEmpty()) {
        platform::Log::info(QStringLiteral("welcome"),
                            QStringLiteral("No mailing-list service in this build: the sign-up stays stored"));
        return {};
    }

    auto* run = new MailingListSignup(defaults, name.typeId() == QMetaType::QString ? name.toString() : QString(),
                                      email.toString());
    for (const QString& list : lists)
        run->post(list);
    return lists;
}

MailingListSignup::MailingListSignup(platform::UserDefaults& defaults, QString name, QString email, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_name(std::move(name))
    , m_email(std::move(email))
    , m_network(new QNetworkAccessManager(this))
{
}

void MailingListSignup::post(const QString& listId)
{
    QNetworkRequest request(QUrl(serviceURL() + QStringLiteral("/api/v3.1/subscribers/") + listId
                                 + QStringLiteral(".json")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setRawHeader("Accept", "application/json");
    request.setRawHeader("Authorization",
                         "Basic " + (kApiKey + QLatin1Char(':') + kApiPassword).toUtf8().toBase64());
    request.setTransferTimeout(30000);
    const QByteArray body =
        QJsonDocument(QJsonObject::fromVariantMap(parameters(m_name, m_email))).toJson(QJsonDocument::Compact);
    QNetworkReply* reply = m_network->post(request, body);
    ++m_outstanding;
    ++g_pending;
    connect(reply, &QNetworkReply::finished, this, [this, reply, listId] { handleReply(reply, listId); });
}

void MailingListSignup::handleReply(QNetworkReply* reply, const QString& listId)
{
    reply->deleteLater();
    const QByteArray body = reply->readAll();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool accepted = reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
    if (accepted && (body.trimmed().isEmpty() || parseJsonFragment(body)))
        subscriptionSucces(m_defaults, listId, m_name, m_email);
    else if (accepted)
        handleFailure(QStringLiteral("The service's answer could not be read"), body, listId);
    else
        handleFailure(reply->errorString(), body, listId);

    --g_pending;
    if (--m_outstanding == 0) {
        Q_EMIT finished();
        deleteLater();
    }
}

void MailingListSignup::handleFailure(const QString& errorText, const QByteArray& body, const QString& listId)
{
    using K = WelcomeControllerConstants;
    std::printf("Error: %s\n", qPrintable(errorText));
    std::fflush(stdout);
    const std::optional<QJsonValue> reply = parseJsonFragment(body);
    if (!reply || !reply->isObject())
        return;
    const QJsonValue code = reply->toObject().value(QStringLiteral("Code"));
    if (!code.isDouble())
        return;
    const QString text = decimalText(code.toDouble());
    static const QStringList alreadyDone = {QStringLiteral("204"), QStringLiteral("205"), QStringLiteral("206"),
                                            QStringLiteral("207"), QStringLiteral("208")};
    if (alreadyDone.contains(text)) {
        subscriptionSucces(m_defaults, listId, m_name, m_email);
    } else if (text == QStringLiteral("1")) {
        // The service refused the address: forget it, so the sign-up screen can ask again.
        m_defaults.removeObject(K::WelcomeWindowUserEmail);
        m_defaults.synchronize();
    }
    WelcomeAnalytics analytics(m_defaults);
    analytics.trackEvent(QStringLiteral("app.welcome.signup.failure"), {{QStringLiteral("errorCode"), text}});
    analytics.trackWeb(QStringLiteral("app.welcome.signup.failure"), code.toDouble());
}

void MailingListSignup::subscriptionSucces(platform::UserDefaults& defaults, const QString& listId,
                                           const QString& name, const QString& email)
{
    using K = WelcomeControllerConstants;
    if (listId == OnboardingDripCourseListId)
        defaults.setBool(K::WelcomeWindowDripCourseSucces, true);
    else if (listId == NewsletterListId)
        defaults.setBool(K::WelcomeWindowNewsletterSucces, true);
    if (defaults.hasKey(K::WelcomeWindowDripCourseSucces) && defaults.hasKey(K::WelcomeWindowNewsletterSucces)) {
        // Both answers of a run may arrive in either order; only the first to complete the
        // pair reports the success.
        const bool wasDone = isTrueNumber(defaults.objectForKey(K::WelcomeWindowUserContactSucces));
        defaults.setBool(K::WelcomeWindowUserContactSucces, true);
        if (!wasDone) {
            WelcomeAnalytics analytics(defaults);
            analytics.trackEvent(QStringLiteral("app.welcome.signup.succes"),
                                 {{QStringLiteral("name"), name}, {QStringLiteral("email"), email}});
            analytics.trackWeb(QStringLiteral("app.welcome.signup.succes"));
        }
    }
    defaults.synchronize();
}

} // namespace welcome
