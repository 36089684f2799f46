#include "preview/RBNetworkUtil.h"

#include <QFileInfo>
#include <QNetworkInterface>

RBNetworkUtil& RBNetworkUtil::sharedInstance()
{
    static RBNetworkUtil instance;
    return instance;
}

QList<QVariantMap> RBNetworkUtil::getInterfaces()
{
    return interfaceRecords(systemInterfaces());
}

QList<QVariantMap> RBNetworkUtil::interfaceRecords(const QList<InterfaceInfo>& interfaces)
{
    QList<QVariantMap> records;
    for (const InterfaceInfo& info : interfaces) {
        if (!info.isUp || !info.isRunning || info.isLoopback || info.isVirtual)
            continue;
        if (!info.isWireless && !info.isEthernet)
            continue;
        records.append({
            {QStringLiteral("bsdName"), info.name},
            {QStringLiteral("type"), info.isWireless ? QStringLiteral("IEEE80211") : QStringLiteral("Ethernet")},
            {QStringLiteral("serviceName"), info.serviceName.isEmpty() ? info.name : info.serviceName},
            {QStringLiteral("ip"), info.ipv4Addresses.isEmpty() ? QString() : info.ipv4Addresses.last()},
        });
    }
    return records;
}

QList<RBNetworkUtil::InterfaceInfo> RBNetworkUtil::systemInterfaces()
{
    QList<InterfaceInfo> result;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        InterfaceInfo info;
        info.name = interface.name();
        info.serviceName = interface.humanReadableName();
        const QNetworkInterface::InterfaceFlags flags = interface.flags();
        info.isUp = flags.testFlag(QNetworkInterface::IsUp);
        info.isRunning = flags.testFlag(QNetworkInterface::IsRunning);
        info.isLoopback = flags.testFlag(QNetworkInterface::IsLoopBack) || interface.type() == QNetworkInterface::Loopback;
        // The kernel lists every interface under /sys/class/net; those without a device of their
        // own (bridges, veth pairs, tunnels, dummies) sit under /sys/devices/virtual.
        const QString sysfs = QStringLiteral("/sys/class/net/") + info.name;
        const QString device = QFileInfo(sysfs).canonicalFilePath();
        info.isVirtual = interface.type() == QNetworkInterface::Virtual || device.contains(QLatin1String("/devices/virtual/"));
        info.isWireless = interface.type() == QNetworkInterface::Wifi || QFileInfo::exists(sysfs + QStringLiteral("/wireless"))
            || QFileInfo::exists(sysfs + QStringLiteral("/phy80211"));
        info.isEthernet = !info.isWireless && interface.type() == QNetworkInterface::Ethernet;
        for (const QNetworkAddressEntry& entry : interface.addressEntries())
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol && !entry.ip().isNull())
                info.ipv4Addresses << entry.ip().toString();
        result.append(info);
    }
    return result;
}

QString RBNetworkUtil::firstAddress(const QList<QVariantMap>& records)
{
    for (const QVariantMap& record : records) {
        const QString ip = record.value(QStringLiteral("ip")).toString();
        if (!ip.isEmpty())
            return ip;
    }
    return {};
}

QString RBNetworkUtil::networkUrl(const QString& localUrl)
{
    const QString ip = firstAddress(getInterfaces());
    if (ip.isEmpty())
        return localUrl;
    QString url = localUrl;
    return url.replace(QStringLiteral("127.0.0.1"), ip);
}
