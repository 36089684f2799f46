#pragma once

#include <QByteArray>
#include <QPointer>
#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <vector>

namespace platform {

// Per-user settings with types: bool, integer, double, string, date, data, array and dictionary.
// Values set by the user lie over registered defaults; a key is "present" when either has it.
// Stored as JSON in the XDG config folder ("ZelvorStudio/UserDefaults.json"); dates and data
// are written as {"$date": ISO text} and {"$data": base64} so that they keep their types.
// Changes are written after a short delay and by synchronize(). An unreadable file is kept
// beside the store under another name and the registered defaults are used.
class UserDefaults {
public:
    static UserDefaults& standard();

    // A store at another path (tests, tools). The standard store uses defaultStorePath().
    explicit UserDefaults(QString storePath);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    static QString defaultStorePath();
    QString storePath() const { return m_storePath; }

    void registerDefaults(const QVariantMap& defaults);

    bool hasKey(const QString& key) const; // set by the user or registered
    bool hasUserValue(const QString& key) const; // set by the user
    QVariant objectForKey(const QString& key) const; // invalid when absent

    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    QString stringForKey(const QString& key) const; // empty when absent or not text
    QDateTime dateForKey(const QString& key) const;
    QByteArray dataForKey(const QString& key) const;
    QVariantList arrayForKey(const QString& key) const;
    QVariantMap dictionaryForKey(const QString& key) const;

    void setObject(const QString& key, const QVariant& value); // an invalid value removes the key
    void setBool(const QString& key, bool value) { setObject(key, value); }
    void setInteger(const QString& key, qint64 value) { setObject(key, value); }
    void setDouble(const QString& key, double value) { setObject(key, value); }
    void setString(const QString& key, const QString& value) { setObject(key, value); }
    void removeObject(const QString& key);

    // Observing one key: `handler` runs after every change of `key` made through this store
    // (set or removed), on the thread that made it. The observation ends with `owner`.
    void addObserver(const QString& key, QObject* owner, std::function<void()> handler);
    void removeObserver(QObject* owner);

    // Writes pending changes now; answers whether the store is on disk.
    bool synchronize();

    // Reads the store again from disk, dropping unsaved changes.
    void reload();

    // Conversions between typed values and the stored JSON form (pure; exposed for tests).
    static QJsonValue toJson(const QVariant& value);
    static QVariant fromJson(const QJsonValue& value);

private:
    void load();
    void scheduleSave();
    void notifyObservers(const QString& key);

    struct KeyObserver {
        QString key;
        QPointer<QObject> owner;
        std::function<void()> handler;
    };
    std::vector<KeyObserver> m_observers;

    QString m_storePath;
    QVariantMap m_values;
    QVariantMap m_registered;
    bool m_dirty = false;
    bool m_saveScheduled = false;
    QObject* m_saveContext = nullptr;
};

} // namespace platform
