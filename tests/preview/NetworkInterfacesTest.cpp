// Where a phone on the same network reaches the preview server: the interface records from an
// injected interface list, and the address the mirror popup shows.
#include "preview/RBMirrorPopupViewController.h"
#include "preview/RBNetworkUtil.h"
#include "preview/ShareBuildSettings.h"

#include <gtest/gtest.h>

namespace {
RBNetworkUtil::InterfaceInfo interface(const QString& name, bool wireless, QStringList addresses)
{
    RBNetworkUtil::InterfaceInfo info;
    info.name = name;
    info.serviceName = name.toUpper();
    info.isWireless = wireless;
    info.isEthernet = !wireless;
    info.isUp = info.isRunning = true;
    info.ipv4Addresses = std::move(addresses);
    return info;
}
} // namespace

TEST(NetworkInterfaces, RecordsKeepUsableWiredAndWirelessInterfacesInOrder)
{
    RBNetworkUtil::InterfaceInfo loopback = interface("lo", false, {"127.0.0.1"});
    loopback.isLoopback = true;
    RBNetworkUtil::InterfaceInfo down = interface("eth1", false, {"10.0.0.9"});
    down.isUp = false;
    RBNetworkUtil::InterfaceInfo noCable = interface("eth2", false, {});
    RBNetworkUtil::InterfaceInfo notRunning = interface("eth3", false, {"10.0.0.8"});
    notRunning.isRunning = false;
    RBNetworkUtil::InterfaceInfo bridge = interface("docker0", false, {"172.17.0.1"});
    bridge.isVirtual = true;
    RBNetworkUtil::InterfaceInfo tunnel = interface("tun0", false, {"10.8.0.2"});
    tunnel.isEthernet = false;

    const QList<QVariantMap> records = RBNetworkUtil::interfaceRecords(
        {loopback, interface("wlan0", true, {"192.168.1.20", "192.168.1.21"}), down, noCable, notRunning, bridge, tunnel});
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0], (QVariantMap{{"bsdName", "wlan0"}, {"type", "IEEE80211"}, {"serviceName", "WLAN0"}, {"ip", "192.168.1.21"}}));
    EXPECT_EQ(records[1], (QVariantMap{{"bsdName", "eth2"}, {"type", "Ethernet"}, {"serviceName", "ETH2"}, {"ip", ""}}));
    EXPECT_EQ(RBNetworkUtil::firstAddress(records), "192.168.1.21");
    // Only interfaces without an address: no address at all, so the local one stays.
    EXPECT_EQ(RBNetworkUtil::firstAddress(RBNetworkUtil::interfaceRecords({noCable, loopback})), "");

    // The machine's own list never offers loopback or a virtual interface.
    for (const QVariantMap& record : RBNetworkUtil::getInterfaces())
        EXPECT_NE(record.value("bsdName").toString(), "lo");
}

TEST(NetworkInterfaces, PopupShowsTheAddressWithItsSchemeInGreyAndSettingsNeedANameAndAWebAddress)
{
    EXPECT_EQ(RBMirrorPopupViewController::attributedUrl("http://10.0.0.2:8000/p/<x>/"),
              "<span style=\"color:#8C8C8C\">http://</span>10.0.0.2:8000/p/&lt;x&gt;/");
    EXPECT_EQ(RBMirrorPopupViewController::attributedUrl("https://a.example/"), "https://a.example/");

    EXPECT_EQ(ShareBuildSettings::viewerAppFromSetting("Viewer|https://store.example/app").name, "Viewer");
    for (const char* unset : {"", "Viewer", "|https://store.example/app", "Viewer|javascript:alert(1)", "Viewer|store.example"})
        EXPECT_FALSE(ShareBuildSettings::viewerAppFromSetting(unset).isSet()) << unset;
}
