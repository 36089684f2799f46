#pragma once

#include "document/RBDeviceCatalog.h"

class KVDeviceManager;

// Connects the documents to the device catalogue.
class DeviceCatalogLink : public RBDeviceCatalog {
public:
    explicit DeviceCatalogLink(const KVDeviceManager& catalogue) : m_catalogue(catalogue) {}

    QString defaultDevice() const override;
    bool deviceIsFullscreen(const QString& identifier) const override;
    bool deviceSupportsHand(const QString& identifier) const override;
    bool deviceCanBeMappedToNewDevice(const QString& identifier) const override;

private:
    const KVDeviceManager& m_catalogue;
};
