#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/SerialQueue.h"

namespace platform {
class Timer;
}
class MixpanelPeople;

// The client of the event-analytics service. Callers report named events with properties and
// people-profile changes; the client stamps each event with its automatic and super properties
// and the installation's identifier, keeps events and profile records in memory queues (at
// most 500 each), stores them in files while the application is inactive or quitting, and
// uploads them in batches of 50 on a timer and when the application goes to the background.
//
// Threads: every public call returns at once; the client's state is read and changed only on
// its own serial queue, where uploads also run, synchronously. The upload timer lives on the
// main thread. The accessors that read queued state wait for the work queued before them.
class Mixpanel : public QObject {
    Q_OBJECT
public:
    // Where the client keeps its files and where it sends them. An empty server address keeps
    // everything queued and sends nothing.
    struct Options {
        QString archiveDirectory; // empty: the user's data folder, sub-folder of the executable
        QString serverURL;        // "https://" and the service's API host; empty: send nothing
        bool watchReachability = true;
    };

    // The shared client: made once, with a flush interval of 60 s; later calls return it and
    // ignore their token and options.
    static Mixpanel* sharedInstanceWithToken(const QString& token);
    static Mixpanel* sharedInstanceWithToken(const QString& token, const Options& options);
    // The shared client, or null before sharedInstanceWithToken.
    static Mixpanel* sharedInstance();

    Mixpanel(const QString& token, unsigned flushInterval, QObject* parent = nullptr);
    Mixpanel(const QString& token, unsigned flushInterval, const Options& options,
             QObject* parent = nullptr);
    ~Mixpanel() override;

    MixpanelPeople* people() const { return m_people.get(); }
    QString apiToken() const { return m_apiToken; }

    QString distinctId() const;
    QString serverURL() const;
    void setServerURL(const QString& url);
    unsigned flushInterval() const;
    void setFlushInterval(unsigned seconds);
    bool flushOnBackground() const;
    void setFlushOnBackground(bool flush);

    // HMAC-SHA1 of the unique device string keyed with the token: 40 upper-case hex digits.
    QString defaultDistinctId() const;

    void identify(const QString& distinctId);
    // Runs the block on the client's queue, then identify() with its answer on the main thread.
    void identifyWithBlock(std::function<QString()> block);
    void track(const QString& event, const QVariantMap& properties = QVariantMap());
    void registerSuperProperties(const QVariantMap& properties);

    // Uploads the events to "/track/", then the people records to "/engage/".
    void flush();

    // Lifecycle hooks, called by the application object.
    void applicationDidBecomeActive();
    void applicationWillResignActive();
    // Stores every queue; returns once the files are written. An upload under way is
    // abandoned (its records are stored) and nothing is uploaded afterwards.
    void applicationWillTerminate();

    void startFlushTimer();
    void stopFlushTimer();
    bool isFlushTimerActive() const;

    QString eventsFilePath() const { return filePathForData(QStringLiteral("events")); }
    QString peopleFilePath() const { return filePathForData(QStringLiteral("people")); }
    QString propertiesFilePath() const { return filePathForData(QStringLiteral("properties")); }

    // Snapshots of the queued state (wait for the work queued before them).
    QVariantList eventsQueue() const;
    QVariantList peopleQueue() const;
    QVariantMap superProperties() const;
    QVariantMap automaticProperties() const;
    // Waits until the work queued so far is done.
    void waitUntilIdle() const;

    // The folder of the stored queues in the user's data folder.
    static QString defaultArchiveDirectory();

private:
    friend class MixpanelPeople;

    void runOnQueue(std::function<void()> job) const;
    // Reads serial-queue state from any thread: directly on the queue, else after the work
    // queued before.
    template <typename T> T readOnQueue(const std::function<T()>& read) const
    {
        if (!m_serialQueue || m_serialQueue->isCurrent())
            return read();
        T value;
        m_serialQueue->sync([&] { value = read(); });
        return value;
    }
    bool isApplicationActive() const { return m_applicationActive.load(); }
    void watchApplicationState();
    void watchReachability();

    // Called on the serial queue only.
    void flushEvents();
    void flushPeople();
    void flushQueue(QVariantList& queue, const QString& endpoint);
    QString filePathForData(const QString& kind) const;
    void archive();
    void archiveEvents();
    void archivePeople();
    void archiveProperties();
    void unarchive();
    void unarchiveEvents();
    void unarchivePeople();
    void unarchiveProperties();

    std::unique_ptr<MixpanelPeople> m_people;
    const QString m_apiToken;
    QString m_archiveDirectory;

    mutable std::mutex m_settingsMutex; // guards the three settings below
    unsigned m_flushInterval = 0;
    bool m_flushOnBackground = true;
    QString m_serverURL;

    // Serial-queue state.
    QString m_distinctId;
    QVariantMap m_superProperties;
    QVariantMap m_automaticProperties;
    QVariantList m_eventsQueue;
    QVariantList m_peopleQueue;

    std::atomic<bool> m_applicationActive{true};
    std::atomic<bool> m_terminating{false};
    std::unique_ptr<platform::Timer> m_timer; // main thread
    std::unique_ptr<platform::SerialQueue> m_serialQueue;
};
