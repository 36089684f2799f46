#include "platform/Bundle.h"
#include "preview/KVDeviceManager.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSet>

#include <algorithm>

namespace {

KVDeviceManager& catalogue() { return KVDeviceManager::sharedInstance(); }

int countDevices()
{
    int n = 0;
    for (const QString& c : catalogue().deviceCategories())
        n += catalogue().devicesForCategory(c)->size();
    return n;
}

} // namespace

TEST(DeviceCatalogue, TablesAreConsistentAndEveryDeviceHasItsImage)
{
    EXPECT_EQ(catalogue().deviceCategories().first(), "No Device");
    // The sizes of the published tables: a device lost or added by mistake shows here.
    EXPECT_EQ(catalogue().deviceCategories().size(), 19);
    EXPECT_EQ(countDevices(), 75);
    EXPECT_EQ(catalogue().deviceTitles().size(), 70);
    EXPECT_EQ(catalogue().devicesCategoriesWithHands().size(), 11);
    EXPECT_EQ(catalogue().oldDevices().size(), 63);
    const QStringList old = catalogue().oldDevices();
    EXPECT_EQ(QSet<QString>(old.begin(), old.end()).size(), old.size()) << "an earlier identifier is listed twice";
    EXPECT_EQ(catalogue().fromOldToNewDeviceMap().size(), old.size());
    for (const QString& category : catalogue().devicesCategoriesWithHands())
        EXPECT_TRUE(catalogue().deviceCategorySupportsHand(category)) << category.toStdString();

    QSet<QString> seen;
    for (const QString& category : catalogue().deviceCategories()) {
        const QStringList devices = *catalogue().devicesForCategory(category);
        EXPECT_TRUE(devices.contains(catalogue().defaultDeviceForCategory(category))) << category.toStdString();
        for (const QString& d : devices) {
            EXPECT_FALSE(seen.contains(d)) << "listed twice: " << d.toStdString();
            seen.insert(d);
            EXPECT_EQ(catalogue().categoryForDevice(d), category);
            EXPECT_EQ(catalogue().deviceSupportsHand(d), catalogue().deviceCategorySupportsHand(category));
        }
    }
    // Every earlier identifier leads to a current one, and none of them is current itself.
    for (const QString& old : catalogue().oldDevices()) {
        EXPECT_TRUE(catalogue().deviceIsIncluded(catalogue().newDeviceFromOldDevice(old))) << old.toStdString();
        EXPECT_FALSE(catalogue().deviceIsIncluded(old));
    }
    // Only "fullscreen" and the four Google devices have no title.
    for (const QString& d : seen) {
        const bool untitled = d == "fullscreen" || d.startsWith("google-");
        EXPECT_EQ(catalogue().titleForDevice(d).isNull(), untitled) << d.toStdString();
    }
    // The page draws every device but "fullscreen" with its frame image (per colour, and for
    // watches per state): at least one image of the device's name exists.
    const QString folder = platform::Bundle::main().pathForResource(QStringLiteral("DeviceImages"));
    ASSERT_FALSE(folder.isEmpty()) << "the device images are not built";
    const QStringList images = QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files);
    for (const QString& d : seen) {
        if (d == "fullscreen")
            continue;
        const bool drawn = std::any_of(images.begin(), images.end(), [&](const QString& image) {
            return image == d + ".png" || image.startsWith(d + "-");
        });
        EXPECT_TRUE(drawn) << "no frame image for " << d.toStdString();
    }
}

TEST(DeviceCatalogue, LookupsOfNamedDevices)
{
    EXPECT_EQ(catalogue().defaultDevice(), "apple-iphone-6s-silver");
    EXPECT_EQ(catalogue().noDevice(), "fullscreen");
    EXPECT_TRUE(catalogue().titleForDevice("google-nexus-5x").isNull());
    EXPECT_TRUE(catalogue().titleForDevice("fullscreen").isNull());
    EXPECT_EQ(catalogue().titleForDevice("apple-iphone-5c-red"), "iPhone 5c Pink");
    EXPECT_EQ(catalogue().titleForDevice("apple-watch-42mm-sport-space-gray-black-closed"),
              "Apple Watch Sports 42mm - Aluminum Space Gray - Sports Band Antique");
    EXPECT_FALSE(catalogue().devicesForCategory("Nokia").has_value());
    EXPECT_TRUE(catalogue().defaultDeviceForCategory("Nokia").isNull());
    EXPECT_EQ(catalogue().defaultDeviceForCategory("Apple Watch 42mm"),
              "apple-watch-42mm-stainless-steel-black-leather-closed");
    EXPECT_EQ(catalogue().devicesForCategory("Apple iPhone 5c")->first(), "apple-iphone-5c-blue");
}

TEST(DeviceCatalogue, HandsAndLandscapeFollowTheCategory)
{
    EXPECT_FALSE(catalogue().deviceSupportsHand("google-nexus-9"));
    EXPECT_TRUE(catalogue().deviceSupportsHand("google-nexus-4"));
    EXPECT_TRUE(catalogue().deviceSupportsHand("google-nexus-5x"));
    EXPECT_TRUE(catalogue().deviceSupportsHand("google-nexus-6p"));
    EXPECT_FALSE(catalogue().deviceSupportsHand("apple-ipad-pro-gold"));
    EXPECT_FALSE(catalogue().deviceSupportsHand("iphone-6-gold-hand"));
    EXPECT_TRUE(catalogue().deviceCategorySupportLandscapeOrientation("Some Future Phone"));
    EXPECT_TRUE(catalogue().deviceCategorySupportLandscapeOrientation("Google Nexus 9"));
    EXPECT_FALSE(catalogue().deviceCategorySupportLandscapeOrientation("Apple Watch 38mm"));
    EXPECT_FALSE(catalogue().deviceCategorySupportLandscapeOrientation("No Device"));
    EXPECT_FALSE(catalogue().deviceCategorySupportLandscapeOrientation("Desktop Browser"));
    EXPECT_TRUE(catalogue().deviceCategoryIsWatch("Apple Watch 42mm"));
    EXPECT_FALSE(catalogue().deviceCategoryIsWatch("apple watch 42mm"));
    EXPECT_TRUE(catalogue().deviceIsFullscreen("fullscreen"));
    EXPECT_TRUE(catalogue().deviceCategoryIsFullscreen("No Device"));
    EXPECT_TRUE(catalogue().deviceCategoryIsDesktopBrowser("Desktop Browser"));
}

TEST(DeviceCatalogue, EarlierIdentifiersMapToCurrentOnes)
{
    EXPECT_FALSE(catalogue().deviceIsIncluded("iphone-6-gold"));
    EXPECT_TRUE(catalogue().deviceIsDeprecated("iphone-6-gold"));
    EXPECT_EQ(catalogue().newDeviceFromOldDevice("iphone-6-gold-hand"), "apple-iphone-6s-gold");
    EXPECT_EQ(catalogue().newDeviceFromOldDevice("iphone-5c-pink"), "apple-iphone-5c-red");
    EXPECT_TRUE(catalogue().deviceCanBeMappedToNewDevice("nexus-9"));
    EXPECT_FALSE(catalogue().deviceCanBeMappedToNewDevice("nexus-9-hand"));
    EXPECT_FALSE(catalogue().deviceCanBeMappedToNewDevice("apple-iphone-6s-gold"));
    EXPECT_TRUE(catalogue().newDeviceFromOldDevice("apple-iphone-6s-gold").isNull());
    EXPECT_EQ(catalogue().newDeviceFromOldDevice("applewatchedition-38-gold-sportband-black"),
              "apple-watch-38mm-rose-gold-black-leather-close");
    EXPECT_EQ(catalogue().newDeviceFromOldDevice("applewatchedition-42-gold-sportband-black"),
              "apple-watch-42mm-rose-gold-black-leather-closed");
    EXPECT_EQ(catalogue().newDeviceFromOldDevice("applewatchsport-42-aluminum-sportband-pink"),
              "apple-watch-42mm-sport-aluminum-red-closed");
}

TEST(DeviceCatalogue, TheRoseGoldWatchIdentifiersDifferBySize)
{
    EXPECT_TRUE(catalogue().deviceIsIncluded("apple-watch-38mm-rose-gold-black-leather-close"));
    EXPECT_FALSE(catalogue().deviceIsIncluded("apple-watch-38mm-rose-gold-black-leather-closed"));
    EXPECT_TRUE(catalogue().deviceIsIncluded("apple-watch-42mm-rose-gold-black-leather-closed"));
    EXPECT_FALSE(catalogue().deviceIsIncluded("apple-watch-42mm-rose-gold-black-leather-close"));
    EXPECT_TRUE(catalogue().deviceIsIncluded("fullscreen"));
}
