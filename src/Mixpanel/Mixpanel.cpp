#include "Mixpanel/Mixpanel.h"

#include "Mixpanel/MixpanelArchive.h"
#include "Mixpanel/MixpanelDevice.h"
#include "Mixpanel/MixpanelEncoding.h"
#include "Mixpanel/MixpanelPeople.h"
#include "Mixpanel/MixpanelRequest.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/SerialQueue.h"
#include "platform/Timer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkInformation>
#include <QPointer>
#include <QStandardPaths>

#include <cmath>

namespace {

constexpr qsizetype kMaxQueuedRecords = 500;
constexpr qsizetype kBatchSize = 50;

Mixpanel* g_sharedInstance = nullptr;

QString logDomain()
{
    return QStringLiteral("analytics");
}

QJsonArray toJsonArray(const QVariantList& list)
{
    return JSONSerializableObjectForObject(list).toArray();
}

} // namespace

Mixpanel* Mixpanel::sharedInstanceWithToken(const QString& token)
{
    return sharedInstanceWithToken(token, Options());
}

Mixpanel* Mixpanel::sharedInstanceWithToken(const QString& token, const Options& options)
{
    if (!g_sharedInstance) {
        // Lives for the whole process; the application archives it at termination.
        g_sharedInstance = new Mixpanel(token, 60, options);
    }
    return g_sharedInstance;
}

Mixpanel* Mixpanel::sharedInstance()
{
    return g_sharedInstance;
}

Mixpanel::Mixpanel(const QString& token, unsigned flushInterval, QObject* parent)
    : Mixpanel(token, flushInterval, Options(), parent)
{
}

Mixpanel::Mixpanel(const QString& token, unsigned flushInterval, const Options& options, QObject* parent)
    : QObject(parent)
    , m_apiToken(token)
{
    m_people = std::make_unique<MixpanelPeople>(this);
    m_flushInterval = flushInterval;
    m_flushOnBackground = true;
    m_serverURL = options.serverURL;
    m_archiveDirectory = options.archiveDirectory.isEmpty() ? defaultArchiveDirectory() : options.archiveDirectory;
    m_distinctId = defaultDistinctId();
    m_automaticProperties = collectAutomaticProperties();
    m_timer = std::make_unique<platform::Timer>();
    m_serialQueue = std::make_unique<platform::SerialQueue>(
        QStringLiteral("com.mixpanel.%1.%2").arg(m_apiToken).arg(quintptr(this), 0, 16));
    watchApplicationState();
    if (options.watchReachability)
        watchReachability();
    runOnQueue([this] { unarchive(); });
}

Mixpanel::~Mixpanel()
{
    // Finish the queued work while every member is still alive.
    m_serialQueue.reset();
    if (g_sharedInstance == this)
        g_sharedInstance = nullptr;
}

QString Mixpanel::defaultArchiveDirectory()
{
    const QString executable = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u'/'
        + (executable.isEmpty() ? QStringLiteral("zelvor-studio") : executable);
}

void Mixpanel::watchApplicationState()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || !platform::isMainThread())
        return;
    m_applicationActive = QGuiApplication::applicationState() == Qt::ApplicationActive;
    connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        m_applicationActive = state == Qt::ApplicationActive;
    });
}

void Mixpanel::watchReachability()
{
    if (!platform::isMainThread())
        return;
    if (!QNetworkInformation::instance()
        && !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return; // no backend: "$wifi" is never set
    QNetworkInformation* info = QNetworkInformation::instance();
    if (!info)
        return;
    auto report = [this](QNetworkInformation::Reachability reachability) {
        const bool online = reachability == QNetworkInformation::Reachability::Online;
        runOnQueue([this, online] { m_automaticProperties.insert(QStringLiteral("$wifi"), online); });
    };
    connect(info, &QNetworkInformation::reachabilityChanged, this, report);
    if (info->reachability() != QNetworkInformation::Reachability::Unknown)
        report(info->reachability());
}

void Mixpanel::runOnQueue(std::function<void()> job) const
{
    if (m_serialQueue)
        m_serialQueue->async(std::move(job));
}

void Mixpanel::waitUntilIdle() const
{
    if (m_serialQueue && !m_serialQueue->isCurrent())
        m_serialQueue->sync([] {});
}

QString Mixpanel::distinctId() const
{
    return readOnQueue<QString>([this] { return m_distinctId; });
}

QVariantList Mixpanel::eventsQueue() const
{
    return readOnQueue<QVariantList>([this] { return m_eventsQueue; });
}

QVariantList Mixpanel::peopleQueue() const
{
    return readOnQueue<QVariantList>([this] { return m_peopleQueue; });
}

QVariantMap Mixpanel::superProperties() const
{
    return readOnQueue<QVariantMap>([this] { return m_superProperties; });
}

QVariantMap Mixpanel::automaticProperties() const
{
    return readOnQueue<QVariantMap>([this] { return m_automaticProperties; });
}

QString Mixpanel::serverURL() const
{
    std::lock_guard lock(m_settingsMutex);
    return m_serverURL;
}

void Mixpanel::setServerURL(const QString& url)
{
    std::lock_guard lock(m_settingsMutex);
    m_serverURL = url;
}

unsigned Mixpanel::flushInterval() const
{
    std::lock_guard lock(m_settingsMutex);
    return m_flushInterval;
}

void Mixpanel::setFlushInterval(unsigned seconds)
{
    {
        std::lock_guard lock(m_settingsMutex);
        m_flushInterval = seconds;
    }
    startFlushTimer();
}

bool Mixpanel::flushOnBackground() const
{
    std::lock_guard lock(m_settingsMutex);
    return m_flushOnBackground;
}

void Mixpanel::setFlushOnBackground(bool flush)
{
    std::lock_guard lock(m_settingsMutex);
    m_flushOnBackground = flush;
}

QString Mixpanel::defaultDistinctId() const
{
    return calculateHMACSHA1withString(uniqueDeviceString(bundleName(), interfaces()), m_apiToken);
}

void Mixpanel::identify(const QString& distinctId)
{
    if (distinctId.isEmpty())
        return;
    runOnQueue([this, distinctId] {
        m_distinctId = distinctId;
        m_people->m_distinctId = distinctId;
        if (!m_people->m_unidentifiedQueue.isEmpty()) {
            for (QVariant& record : m_people->m_unidentifiedQueue) {
                QVariantMap map = record.toMap();
                map.insert(QStringLiteral("$distinct_id"), distinctId);
                m_peopleQueue.append(map);
            }
            m_people->m_unidentifiedQueue.clear();
            while (m_peopleQueue.size() > kMaxQueuedRecords)
                m_peopleQueue.removeFirst();
            archivePeople();
        }
        if (!isApplicationActive())
            archiveProperties();
    });
}

void Mixpanel::identifyWithBlock(std::function<QString()> block)
{
    if (!block)
        return;
    QPointer<Mixpanel> self(this);
    runOnQueue([self, block = std::move(block)] {
        const QString distinctId = block();
        platform::dispatchMain([self, distinctId] {
            if (self)
                self->identify(distinctId);
        });
    });
}

void Mixpanel::track(const QString& event, const QVariantMap& properties)
{
    const QString name = event.isEmpty() ? QStringLiteral("mp_event") : event;
    const qint64 time = std::llround(QDateTime::currentMSecsSinceEpoch() / 1000.0);
    runOnQueue([this, name, properties, time] {
        QVariantMap merged = m_automaticProperties;
        merged.insert(QStringLiteral("token"), m_apiToken);
        merged.insert(QStringLiteral("time"), time);
        if (!m_distinctId.isEmpty())
            merged.insert(QStringLiteral("distinct_id"), m_distinctId);
        merged.insert(m_superProperties);
        merged.insert(properties);
        m_eventsQueue.append(QVariantMap{{QStringLiteral("event"), name},
                                         {QStringLiteral("properties"), merged}});
        while (m_eventsQueue.size() > kMaxQueuedRecords)
            m_eventsQueue.removeFirst();
        if (!isApplicationActive())
            archiveEvents();
    });
}

void Mixpanel::registerSuperProperties(const QVariantMap& properties)
{
    runOnQueue([this, properties] {
        m_superProperties.insert(properties);
        if (!isApplicationActive())
            archiveProperties();
    });
}

void Mixpanel::flush()
{
    runOnQueue([this] {
        flushEvents();
        flushPeople();
    });
}

void Mixpanel::flushEvents()
{
    flushQueue(m_eventsQueue, QStringLiteral("/track/"));
}

void Mixpanel::flushPeople()
{
    flushQueue(m_peopleQueue, QStringLiteral("/engage/"));
}

void Mixpanel::flushQueue(QVariantList& queue, const QString& endpoint)
{
    const QString server = serverURL();
    if (server.isEmpty() || m_terminating)
        return; // no service configured, or quitting: keep everything
    const QUrl url(server + endpoint);
    // The records of a batch are the first ones of the queue, and nothing else touches the
    // queue while this runs, so removing from the front removes exactly what was sent.
    while (!queue.isEmpty()) {
        const QVariantList batch = queue.mid(0, std::min(kBatchSize, queue.size()));
        const MixpanelResponse response = apiRequest(url, uploadBody(batch), &m_terminating);
        if (response.delivered()) {
            queue.remove(0, batch.size());
            continue;
        }
        if (!response.rejected())
            return; // no network or a server trouble: the batch goes with the next upload
        // The service refused the batch: send its records one by one, dropping those that
        // are refused on their own, so that one bad record does not block the others.
        for (qsizetype i = 0; i < batch.size(); ++i) {
            const MixpanelResponse single = apiRequest(url, uploadBody(QVariantList{batch.at(i)}), &m_terminating);
            if (single.rejected()) {
                platform::Log::warning(logDomain(),
                                       QStringLiteral("%1 refused a record (HTTP %2); dropped: %3")
                                           .arg(endpoint)
                                           .arg(single.status)
                                           .arg(QString::fromUtf8(JSONSerializeObject(batch.at(i)))));
            } else if (!single.delivered()) {
                return;
            }
            queue.removeFirst();
        }
    }
}

void Mixpanel::startFlushTimer()
{
    stopFlushTimer();
    platform::dispatchMain(this, [this] {
        const unsigned interval = flushInterval();
        // The timer is the client's own: it cannot fire once the client is gone.
        if (interval > 0)
            m_timer->start(interval, [this] { flush(); }, true);
    });
}

void Mixpanel::stopFlushTimer()
{
    platform::dispatchMain(this, [this] { m_timer->stop(); });
}

bool Mixpanel::isFlushTimerActive() const
{
    return m_timer->isActive();
}

void Mixpanel::applicationDidBecomeActive()
{
    m_applicationActive = true;
    startFlushTimer();
}

void Mixpanel::applicationWillResignActive()
{
    m_applicationActive = false;
    stopFlushTimer();
    if (flushOnBackground())
        flush();
}

void Mixpanel::applicationWillTerminate()
{
    // An upload under way would hold the queue (and the quit) until the service answers:
    // abandon it; its records stay queued and are stored with the rest.
    m_terminating = true;
    runOnQueue([this] { archive(); });
    // The process may end right after this call: the stored queues must be on disk first.
    waitUntilIdle();
}

QString Mixpanel::filePathForData(const QString& kind) const
{
    return m_archiveDirectory + u'/' + QStringLiteral(".mp-%1-%2").arg(m_apiToken, kind);
}

void Mixpanel::archive()
{
    archiveEvents();
    archivePeople();
    archiveProperties();
}

void Mixpanel::archiveEvents()
{
    writeArchive(eventsFilePath(), toJsonArray(m_eventsQueue));
}

void Mixpanel::archivePeople()
{
    writeArchive(peopleFilePath(), toJsonArray(m_peopleQueue));
}

void Mixpanel::archiveProperties()
{
    QVariantMap properties;
    if (!m_distinctId.isEmpty())
        properties.insert(QStringLiteral("distinctId"), m_distinctId);
    properties.insert(QStringLiteral("superProperties"), m_superProperties);
    if (!m_people->m_distinctId.isEmpty())
        properties.insert(QStringLiteral("peopleDistinctId"), m_people->m_distinctId);
    properties.insert(QStringLiteral("peopleUnidentifiedQueue"), m_people->m_unidentifiedQueue);
    writeArchive(propertiesFilePath(), JSONSerializableObjectForObject(properties));
}

void Mixpanel::unarchive()
{
    unarchiveEvents();
    unarchivePeople();
    unarchiveProperties();
}

void Mixpanel::unarchiveEvents()
{
    const auto stored = takeArchive(eventsFilePath(), false);
    m_eventsQueue = stored ? stored->toArray().toVariantList() : QVariantList();
}

void Mixpanel::unarchivePeople()
{
    const auto stored = takeArchive(peopleFilePath(), false);
    m_peopleQueue = stored ? stored->toArray().toVariantList() : QVariantList();
}

void Mixpanel::unarchiveProperties()
{
    const auto stored = takeArchive(propertiesFilePath(), true);
    if (!stored)
        return;
    const QJsonObject properties = stored->toObject();
    const QString distinctId = properties.value(QStringLiteral("distinctId")).toString();
    m_distinctId = distinctId.isEmpty() ? defaultDistinctId() : distinctId;
    m_superProperties = properties.value(QStringLiteral("superProperties")).toObject().toVariantMap();
    m_people->m_distinctId = properties.value(QStringLiteral("peopleDistinctId")).toString();
    m_people->m_unidentifiedQueue =
        properties.value(QStringLiteral("peopleUnidentifiedQueue")).toArray().toVariantList();
}
