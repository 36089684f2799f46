#include "document/DeviceCatalogLink.h"

#include "preview/KVDeviceManager.h"

QString DeviceCatalogLink::defaultDevice() const
{
    return m_catalogue.defaultDevice();
}

bool DeviceCatalogLink::deviceIsFullscreen(const QString& identifier) const
{
    return m_catalogue.deviceIsFullscreen(identifier);
}

bool DeviceCatalogLink::deviceSupportsHand(const QString& identifier) const
{
    return m_catalogue.deviceSupportsHand(identifier);
}

bool DeviceCatalogLink::deviceCanBeMappedToNewDevice(const QString& identifier) const
{
    return m_catalogue.deviceCanBeMappedToNewDevice(identifier);
}
