#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>

// What the event client reports about the machine it runs on.

// One network interface with a six-byte link-layer (Ethernet-type) address.
struct HardwareInterface {
    QString name;
    QByteArray address; // six bytes
};

// The hardware model: the firmware's product name where the system tells it, else the CPU
// architecture, so that the value is never empty.
QString deviceModel();

// The operating system's version text ("Debian GNU/Linux 12 (bookworm)"-like), for reports.
QString operatingSystemVersion();

// The application's build version (the application's version, never empty).
QString applicationBuildVersion();

// The interfaces of this machine that have an Ethernet-type link-layer address.
QList<HardwareInterface> interfaces();

// The bundle name followed directly by the addresses of the given interfaces, in the order of
// their names compared case-insensitively, each as "xx:xx:xx:xx:xx:xx" in lower case.
// Interfaces whose address is not six bytes are left out.
QString uniqueDeviceString(const QString& bundleName, QList<HardwareInterface> interfaces);

// The properties stamped on every event, collected once per client: library, version, system,
// model and screen size (0 x 0 without a screen, or when asked off the main thread).
QVariantMap collectAutomaticProperties();

// The name under which the application is known (its application name, else its executable).
QString bundleName();

// The application's reverse-domain identifier: its desktop file name, else its organisation's
// domain, else its name.
QString bundleIdentifier();
