#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// The machine's wired and wireless network interfaces with their IPv4 addresses: where a phone
// on the same network reaches the preview server.
class RBNetworkUtil {
public:
    // What the system says of one interface.
    struct InterfaceInfo {
        QString name;        // "eth0", "wlp2s0"
        QString serviceName; // the name shown to the user
        bool isWireless = false;
        bool isEthernet = false;
        bool isUp = false;
        bool isRunning = false;
        bool isLoopback = false;
        bool isVirtual = false; // bridges, tunnels, containers' links: no phone is behind them
        QStringList ipv4Addresses; // in the order the system lists them
    };

    static RBNetworkUtil& sharedInstance();

    // One record per usable interface, in the system's order: {"bsdName", "type" ("Ethernet" or
    // "IEEE80211"), "serviceName", "ip" (the interface's last IPv4 address, or "")}. Interfaces
    // that are down, not running, loopback, virtual or of another kind are left out.
    static QList<QVariantMap> getInterfaces();
    static QList<QVariantMap> interfaceRecords(const QList<InterfaceInfo>& interfaces);
    // The interfaces as the system lists them now.
    static QList<InterfaceInfo> systemInterfaces();
    // The first record's address that is not empty, or empty.
    static QString firstAddress(const QList<QVariantMap>& records);
    // The local server address with "127.0.0.1" replaced by the first network address, so that a
    // phone on the same network can open it; unchanged when the machine has none.
    static QString networkUrl(const QString& localUrl);

private:
    RBNetworkUtil() = default;
};
