#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QStringList>

#include <optional>

// The settings of one open project: the defaults with the values of "zelvor/config.json" laid
// over them. Everyone who shows a setting (preview, device menu, scale pop-up, editor) reads it
// here and hears each change through valueChanged; RBDocument::saveConfig writes it back.
class ProjectConfig : public QObject {
    Q_OBJECT
public:
    // The keys and their constants.
    static const QString UpdateDelay;       // "updateDelay", seconds, 0.3
    static const QString DeviceType;        // "deviceType", the catalogue's default device
    static const QString DeviceScale;       // "deviceScale", -1 = fit
    static const QString ContentScale;      // "contentScale", 1
    static const QString DeviceOrientation; // "deviceOrientation", 0 or 90
    static const QString SharedPrototype;   // "sharedPrototype", 0 or 1
    static const QString SelectedHand;      // "selectedHand", ""
    static const QString configFileName;    // "zelvor/config.json"

    static QJsonObject makeDefaults(const QString& defaultDevice);

    // Whether a value that the page sends may be stored under the key: each known key takes
    // its own type within its range (a device name of at most kMaxNameLength characters, a
    // scale from 0.05 to 16 or -1 for fit, an orientation in steps of 90 degrees); any other
    // key takes a Boolean, a number or a short string. The page may be anyone's.
    static bool acceptsValue(const QString& key, const QJsonValue& value);
    static constexpr qsizetype kMaxNameLength = 200;

    explicit ProjectConfig(QObject* parent = nullptr) : QObject(parent) {}

    QJsonValue value(const QString& key) const { return m_values.value(key); }
    bool contains(const QString& key) const { return m_values.contains(key); }
    QStringList keys() const { return m_values.keys(); }
    // Stores the value and tells the observers (every write, as a key-value observer hears it).
    void setValue(const QString& key, const QJsonValue& value);
    // Removes the key; the observers hear an undefined value.
    void removeValue(const QString& key);
    // Replaces everything without telling anyone (the initial defaults).
    void reset(const QJsonObject& values) { m_values = values; }
    QJsonObject toJsonObject() const { return m_values; }

    double doubleValue(const QString& key, double fallback = 0) const;
    int intValue(const QString& key, int fallback = 0) const; // numbers and numeric strings
    QString stringValue(const QString& key) const;

    // "updateDelay" in seconds: the stored number, or none when the key is absent or holds
    // anything else (a hand-edited file). A delay of 0 or less, or none, means that the preview
    // does not run edits by itself; each reader chooses what none stands for.
    std::optional<double> updateDelay() const { return updateDelayOf(m_values); }
    static std::optional<double> updateDelayOf(const QJsonObject& settings);

Q_SIGNALS:
    void valueChanged(const QString& key, const QJsonValue& value);

private:
    QJsonObject m_values;
};
