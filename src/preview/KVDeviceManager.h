#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// The fixed catalogue of the devices in whose frame the preview shows a prototype.
// A device is named by its identifier (the value of the project setting "deviceType").
// The catalogue holds no mutable state: its tables are built once, on first use, and are
// safe to read from any thread.
class KVDeviceManager {
public:
    static KVDeviceManager& sharedInstance();

    QString defaultDevice() const;   // "apple-iphone-6s-silver"
    QString noDevice() const;        // "fullscreen"

    const QStringList& deviceCategories() const;
    const QHash<QString, QStringList>& devicesByCategory() const;
    const QHash<QString, QString>& defaultDeviceForCategoryData() const;
    const QHash<QString, QString>& deviceTitles() const;
    const QStringList& devicesCategoriesWithHands() const;
    const QStringList& oldDevices() const;
    const QHash<QString, QString>& fromOldToNewDeviceMap() const;

    // Lookups answer nothing (nullopt or a null string) for an unknown key.
    std::optional<QStringList> devicesForCategory(const QString& category) const;
    QString defaultDeviceForCategory(const QString& category) const;
    QString titleForDevice(const QString& device) const;

    bool deviceIsIncluded(const QString& device) const;
    bool deviceIsDeprecated(const QString& device) const;
    bool deviceCanBeMappedToNewDevice(const QString& device) const;
    QString newDeviceFromOldDevice(const QString& device) const;
    bool deviceSupportsHand(const QString& device) const;
    bool deviceCategorySupportsHand(const QString& category) const;
    bool deviceCategoryIsWatch(const QString& category) const;
    bool deviceCategoryIsFullscreen(const QString& category) const;
    bool deviceIsFullscreen(const QString& device) const;
    bool deviceCategoryIsDesktopBrowser(const QString& category) const;
    // Every category but the watches, "No Device" and "Desktop Browser" allows landscape,
    // unknown names included.
    bool deviceCategorySupportLandscapeOrientation(const QString& category) const;

    // The category that lists the identifier, or a null string.
    QString categoryForDevice(const QString& device) const;

    KVDeviceManager(const KVDeviceManager&) = delete;
    KVDeviceManager& operator=(const KVDeviceManager&) = delete;

private:
    KVDeviceManager() = default;
};
