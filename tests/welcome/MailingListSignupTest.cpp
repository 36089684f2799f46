#include "FakeMailingListService.h"
#include "RecordingAnalytics.h"

#include "support/TestSupport.h"
#include "platform/UserDefaults.h"
#include "welcome/MailingListSignup.h"
#include "welcome/WelcomeControllerConstants.h"
#include "welcome/WelcomeWindowController.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using welcome::MailingListSignup;
using K = WelcomeControllerConstants;

namespace {

const QByteArray kDripPath = "/api/v3.1/subscribers/e71d04b9c8a256f3d09be14a7c3f5d28.json";
const QByteArray kNewsPath = "/api/v3.1/subscribers/0d9c6e3fa18b47e2c5f07a91b6d34e8c.json";

class SignupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        defaults = std::make_unique<platform::UserDefaults>(dir.filePath("defaults.json"));
        // The user ticked the box on the sign-up screen.
        defaults->setBool(K::WelcomeWindowSignupConsent, true);
        MailingListSignup::setServiceURL(service.url());
    }
    void TearDown() override { MailingListSignup::setServiceURL(QString()); }

    // Runs the client and waits for every answer.
    QStringList run()
    {
        const QStringList lists = MailingListSignup::start(*defaults);
        EXPECT_TRUE(testsupport::waitUntil([] { return MailingListSignup::pendingRequestCount() == 0; }));
        return lists;
    }

    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
    FakeMailingListService service;
    RecordingAnalytics analytics;
};

} // namespace

TEST(ShouldShowOnStartup, AbsentOrNotANumberIsWrittenAsTrue)
{
    QTemporaryDir dir;
    platform::UserDefaults defaults(dir.filePath("d.json"));
    EXPECT_TRUE(WelcomeWindowController::shouldShowOnStartup(defaults));
    EXPECT_EQ(defaults.objectForKey(K::WelcomeWindowShowOnStartup), QVariant(true));

    defaults.setString(K::WelcomeWindowShowOnStartup, QStringLiteral("no"));
    EXPECT_TRUE(WelcomeWindowController::shouldShowOnStartup(defaults));
    EXPECT_EQ(defaults.objectForKey(K::WelcomeWindowShowOnStartup), QVariant(true));

    defaults.setBool(K::WelcomeWindowShowOnStartup, false);
    EXPECT_FALSE(WelcomeWindowController::shouldShowOnStartup(defaults));
    defaults.setInteger(K::WelcomeWindowShowOnStartup, 0);
    EXPECT_FALSE(WelcomeWindowController::shouldShowOnStartup(defaults));

    defaults.synchronize();
    platform::UserDefaults reread(dir.filePath("d.json"));
    EXPECT_FALSE(WelcomeWindowController::shouldShowOnStartup(reread));
}

TEST(SignupParameters, CarryTheSubscriberAndTheOrigin)
{
    const QVariantMap body = WelcomeWindowController::signupParameters("", "a@b.co");
    EXPECT_EQ(body.value("EmailAddress"), "a@b.co");
    EXPECT_EQ(body.value("Name"), "");
    EXPECT_EQ(body.value("Resubscribe"), false);
    EXPECT_EQ(body.value("RestartSubscriptionBasedAutoresponders"), false);
    const QVariantMap field = body.value("CustomFields").toList().value(0).toMap();
    EXPECT_EQ(field.value("Key"), "origin");
    EXPECT_EQ(field.value("Value"), "app.welcome");
}

TEST_F(SignupTest, NothingStoredOrAlreadyDoneSendsNothing)
{
    EXPECT_TRUE(run().isEmpty());
    defaults->setString(K::WelcomeWindowUserEmail, "a@b.co");
    defaults->setBool(K::WelcomeWindowUserContactSucces, true);
    EXPECT_TRUE(run().isEmpty());
    // An e-mail stored as something other than text is not an address.
    defaults->removeObject(K::WelcomeWindowUserContactSucces);
    defaults->setInteger(K::WelcomeWindowUserEmail, 12);
    EXPECT_TRUE(run().isEmpty());
    EXPECT_TRUE(service.requests().isEmpty());
}

TEST_F(SignupTest, WithoutAServiceTheSignupStaysStored)
{
    MailingListSignup::setServiceURL(QString());
    defaults->setString(K::WelcomeWindowUserEmail, "a@b.co");
    EXPECT_TRUE(run().isEmpty());
    EXPECT_EQ(defaults->stringForKey(K::WelcomeWindowUserEmail), "a@b.co");
    EXPECT_FALSE(defaults->hasKey(K::WelcomeWindowUserContactSucces));
}

TEST_F(SignupTest, BothListsAcceptedCompletesTheSignupOnce)
{
    defaults->setString(K::WelcomeWindowUserEmail, "ada@example.org");
    defaults->setString(K::WelcomeWindowUserName, "Ada");
    EXPECT_EQ(run().size(), 2);
    ASSERT_EQ(service.requests().size(), 2);
    QList<QByteArray> paths;
    for (const auto& request : service.requests()) {
        paths.append(request.path);
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.authorization, "Basic " + QByteArray("a3f19c07d2e84b6150c9e7d2b4a80f61:x").toBase64());
        const QJsonObject body = QJsonDocument::fromJson(request.body).object();
        EXPECT_EQ(body.value("EmailAddress").toString(), "ada@example.org");
        EXPECT_EQ(body.value("Name").toString(), "Ada");
    }
    EXPECT_TRUE(paths.contains(kDripPath));
    EXPECT_TRUE(paths.contains(kNewsPath));
    EXPECT_TRUE(defaults->boolForKey(K::WelcomeWindowUserContactSucces));
    EXPECT_EQ(analytics.eventNames(), QStringList{"app.welcome.signup.succes"});
    EXPECT_EQ(analytics.events[0].second.value("email"), "ada@example.org");

    // Done for good: a later launch sends nothing.
    EXPECT_TRUE(run().isEmpty());
    EXPECT_EQ(service.requests().size(), 2);
}

TEST_F(SignupTest, OnlyPendingListsArePostedAndAFalseFlagCountsAsDone)
{
    defaults->setString(K::WelcomeWindowUserEmail, "ada@example.org");
    defaults->setBool(K::WelcomeWindowDripCourseSucces, false);
    EXPECT_EQ(run(), QStringList{MailingListSignup::NewsletterListId});
    ASSERT_EQ(service.requests().size(), 1);
    EXPECT_EQ(service.requests()[0].path, kNewsPath);
    EXPECT_EQ(QJsonDocument::fromJson(service.requests()[0].body).object().value("Name").toString(), "");
    EXPECT_TRUE(defaults->boolForKey(K::WelcomeWindowUserContactSucces));
}

TEST_F(SignupTest, ServiceCodesOnFailure)
{
    defaults->setString(K::WelcomeWindowUserEmail, "ada@example.org");
    // "Already subscribed" codes mark the list done; any other failure keeps it pending.
    service.answer(kDripPath, 400, R"({"Code": 206, "Message": "Already subscribed"})");
    service.answer(kNewsPath, 500, "");
    run();
    EXPECT_TRUE(defaults->hasKey(K::WelcomeWindowDripCourseSucces));
    EXPECT_FALSE(defaults->hasKey(K::WelcomeWindowNewsletterSucces));
    EXPECT_FALSE(defaults->hasKey(K::WelcomeWindowUserContactSucces));
    ASSERT_EQ(analytics.eventNames(), QStringList{"app.welcome.signup.failure"});
    EXPECT_EQ(analytics.events[0].second.value("errorCode"), "206");

    // A code given as text is not a service code: nothing changes.
    service.answer(kNewsPath, 400, R"({"Code": "1"})");
    run();
    EXPECT_EQ(defaults->stringForKey(K::WelcomeWindowUserEmail), "ada@example.org");

    // Code 1: the address was refused, so it is forgotten (the sign-up screen can ask again).
    service.answer(kNewsPath, 400, R"({"Code": 1})");
    run();
    EXPECT_FALSE(defaults->hasKey(K::WelcomeWindowUserEmail));
    EXPECT_EQ(analytics.events.last().second.value("errorCode"), "1");
    EXPECT_TRUE(run().isEmpty());
}

// The address leaves the computer only with the user's tick and while data collection is on;
// either way the sign-up stays stored.
TEST_F(SignupTest, WithoutConsentOrWithDataCollectionOffNothingIsSent)
{
    defaults->setString(K::WelcomeWindowUserEmail, "ada@example.org");
    defaults->setBool(K::WelcomeWindowSignupConsent, false);
    EXPECT_TRUE(run().isEmpty());
    defaults->setBool(K::WelcomeWindowSignupConsent, true);
    defaults->setBool(DataCollectionDisabledKey, true);
    EXPECT_TRUE(run().isEmpty());
    EXPECT_TRUE(service.requests().isEmpty());
    EXPECT_EQ(defaults->stringForKey(K::WelcomeWindowUserEmail), "ada@example.org");
    EXPECT_FALSE(defaults->hasKey(K::WelcomeWindowUserContactSucces));
}

TEST_F(SignupTest, AnAcceptedAnswerThatIsNotJsonIsAFailure)
{
    defaults->setString(K::WelcomeWindowUserEmail, "ada@example.org");
    service.answer(kDripPath, 200, "<html>proxy login</html>");
    service.answer(kNewsPath, 201, "\"ok\""); // a bare JSON value is a valid answer
    run();
    EXPECT_FALSE(defaults->hasKey(K::WelcomeWindowDripCourseSucces));
    EXPECT_TRUE(defaults->hasKey(K::WelcomeWindowNewsletterSucces));
}
