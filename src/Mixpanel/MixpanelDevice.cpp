#include "Mixpanel/MixpanelDevice.h"

#include "platform/Dispatch.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QNetworkInterface>
#include <QScreen>
#include <QSysInfo>

#include <algorithm>

namespace {

QString firstLineOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readLine()).trimmed();
}

} // namespace

QString deviceModel()
{
    const QString product = firstLineOf(QStringLiteral("/sys/class/dmi/id/product_name"));
    if (!product.isEmpty())
        return product;
    return QSysInfo::currentCpuArchitecture();
}

QString operatingSystemVersion()
{
    return QSysInfo::prettyProductName();
}

QString applicationBuildVersion()
{
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral("0") : version;
}

QString bundleName()
{
    const QString name = QCoreApplication::applicationName();
    if (!name.isEmpty())
        return name;
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

QString bundleIdentifier()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const QString desktop = QGuiApplication::desktopFileName();
        if (!desktop.isEmpty())
            return desktop;
    }
    const QString domain = QCoreApplication::organizationDomain();
    if (!domain.isEmpty())
        return domain;
    return bundleName();
}

QList<HardwareInterface> interfaces()
{
    QList<HardwareInterface> found;
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
        // Wireless interfaces carry Ethernet-type addresses too.
        if (iface.type() != QNetworkInterface::Ethernet && iface.type() != QNetworkInterface::Wifi)
            continue;
        const QByteArray address = QByteArray::fromHex(iface.hardwareAddress().remove(u':').toLatin1());
        if (address.size() == 6)
            found.append({iface.name(), address});
    }
    return found;
}

QString uniqueDeviceString(const QString& bundleName, QList<HardwareInterface> interfaces)
{
    std::stable_sort(interfaces.begin(), interfaces.end(),
                     [](const HardwareInterface& a, const HardwareInterface& b) {
                         return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
                     });
    QString result = bundleName;
    for (const HardwareInterface& iface : interfaces) {
        if (iface.address.size() != 6)
            continue;
        result += QString::fromLatin1(iface.address.toHex(':'));
    }
    return result;
}

QVariantMap collectAutomaticProperties()
{
    const QString model = deviceModel();
    int width = 0;
    int height = 0;
    if (platform::isMainThread() && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            width = screen->geometry().width();
            height = screen->geometry().height();
        }
    }
    return {
        {QStringLiteral("mp_lib"), QStringLiteral("mac")},
        {QStringLiteral("$lib_version"), QStringLiteral("2.3.6")},
        {QStringLiteral("$app_version"), applicationBuildVersion()},
        {QStringLiteral("$manufacturer"), firstLineOf(QStringLiteral("/sys/class/dmi/id/sys_vendor"))},
        {QStringLiteral("$os"), QSysInfo::productType()},
        {QStringLiteral("$os_version"), operatingSystemVersion()},
        {QStringLiteral("$model"), model},
        {QStringLiteral("mp_device_model"), model},
        {QStringLiteral("$screen_height"), height},
        {QStringLiteral("$screen_width"), width},
    };
}
