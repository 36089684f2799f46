#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QNetworkAccessManager;
class QNetworkReply;
namespace platform { class UserDefaults; }

namespace welcome {

// One run of the mailing-list sign-up: posts the stored name and address to each list that has
// not accepted them yet, back to back, and records each answer in the defaults. It deletes
// itself once every request has answered. Main thread only; the replies arrive there.
class MailingListSignup : public QObject {
    Q_OBJECT
public:
    // The two lists: the onboarding e-mail course and the newsletter.
    static inline const QString OnboardingDripCourseListId = QStringLiteral("e71d04b9c8a256f3d09be14a7c3f5d28");
    static inline const QString NewsletterListId = QStringLiteral("0d9c6e3fa18b47e2c5f07a91b6d34e8c");

    // "https://" + the service's API host, from the build setting ZELVOR_MAILING_LIST_HOST;
    // empty when the build names no service. setServiceURL replaces it (tests: a fake service).
    static QString serviceURL();
    static void setServiceURL(const QString& url);

    // The request body for one subscriber.
    static QVariantMap parameters(const QString& name, const QString& email);

    // Starts a run for the stored sign-up; answers the lists it posts to (none when the sign-up
    // is done, nothing is stored, the user did not tick the consent box, data collection is off
    // or no service is named; the sign-up then stays stored).
    static QStringList start(platform::UserDefaults& defaults);

    // Records that a list accepted the subscriber; sends the success event once both have.
    static void subscriptionSucces(platform::UserDefaults& defaults, const QString& listId, const QString& name,
                                   const QString& email);

    // The requests of runs not yet answered (tests wait for none).
    static int pendingRequestCount();

Q_SIGNALS:
    void finished();

private:
    MailingListSignup(platform::UserDefaults& defaults, QString name, QString email, QObject* parent = nullptr);
    void post(const QString& listId);
    void handleReply(QNetworkReply* reply, const QString& listId);
    void handleFailure(const QString& errorText, const QByteArray& body, const QString& listId);

    platform::UserDefaults& m_defaults;
    QString m_name;
    QString m_email;
    QNetworkAccessManager* m_network;
    int m_outstanding = 0;
};

} // namespace welcome
