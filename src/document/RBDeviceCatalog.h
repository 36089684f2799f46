#pragma once

#include <QString>

// What documents need of the device catalogue.
class RBDeviceCatalog {
public:
    virtual ~RBDeviceCatalog() = default;
    virtual QString defaultDevice() const = 0;
    virtual bool deviceIsFullscreen(const QString& identifier) const = 0;
    virtual bool deviceSupportsHand(const QString& identifier) const = 0;
    // Whether the identifier is an earlier one that maps to a current device.
    virtual bool deviceCanBeMappedToNewDevice(const QString& identifier) const = 0;
};
