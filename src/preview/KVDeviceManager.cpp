#include "preview/KVDeviceManager.h"

#include <QSet>

namespace {

const QString kDefaultDevice = QStringLiteral("apple-iphone-6s-silver");
const QString kNoDevice = QStringLiteral("fullscreen");
const QString kWatch38 = QStringLiteral("Apple Watch 38mm");
const QString kWatch42 = QStringLiteral("Apple Watch 42mm");
const QString kNoDeviceCategory = QStringLiteral("No Device");
const QString kDesktopCategory = QStringLiteral("Desktop Browser");

struct WatchRow {
    const char* id;     // the 38mm identifier; "38mm" is replaced for the other size
    const char* title;  // the 38mm title
};

// Menu order. The fifth 38mm identifier really ends in "-close"; its 42mm twin ends in "-closed".
const WatchRow kWatchRows[] = {
    {"apple-watch-38mm-black-steel-black-closed", "Apple Watch 38mm - Black Steel - Sports Band Black"},
    {"apple-watch-38mm-stainless-steel-black-leather-closed", "Apple Watch 38mm - Stainless Steel - Black Leather"},
    {"apple-watch-38mm-gold-black-leather-closed", "Apple Watch Edition 38mm - Gold - Leather"},
    {"apple-watch-38mm-gold-midnight-blue-closed", "Apple Watch Edition 38mm - Gold - Modern Buckle Midnight Blue"},
    {"apple-watch-38mm-rose-gold-black-leather-close", "Apple Watch Edition 38mm - Rose Gold - Black Leather"},
    {"apple-watch-38mm-rose-gold-lavender-closed", "Apple Watch Edition 38mm - Rose Gold - Sports Band Lavender"},
    {"apple-watch-38mm-sport-aluminum-blue-closed", "Apple Watch Sports 38mm - Aluminum - Sports Band Blue"},
    {"apple-watch-38mm-sport-aluminum-fog-closed", "Apple Watch Sports 38mm - Aluminum - Sports Band Fog"},
    {"apple-watch-38mm-sport-aluminum-green-closed", "Apple Watch Sports 38mm - Aluminum - Sports Band Green"},
    {"apple-watch-38mm-sport-aluminum-red-closed", "Apple Watch Sports 38mm - Aluminum - Sports Band Red"},
    {"apple-watch-38mm-sport-aluminum-walnut-closed", "Apple Watch Sports 38mm - Aluminum - Sports Band Walnut"},
    {"apple-watch-38mm-sport-aluminum-white-closed", "Apple Watch Sports 38mm - Aluminum - Sports Band White"},
    {"apple-watch-38mm-sport-aluminum-gold-antique-white-closed", "Apple Watch Sports 38mm - Aluminum Gold - Sports Band Antique White"},
    {"apple-watch-38mm-sport-aluminum-rose-gold-stone-closed", "Apple Watch Sports 38mm - Aluminum Rose Gold - Sports Band Stone"},
    {"apple-watch-38mm-sport-space-gray-black-closed", "Apple Watch Sports 38mm - Aluminum Space Gray - Sports Band Antique"},
};
constexpr int kRoseGoldBlackLeatherRow = 4;

QString watchId(int row, bool size42)
{
    QString id = QString::fromLatin1(kWatchRows[row].id);
    if (!size42)
        return id;
    id.replace(QLatin1String("38mm"), QLatin1String("42mm"));
    if (row == kRoseGoldBlackLeatherRow)
        id += QLatin1Char('d');
    return id;
}

QString watchTitle(int row, bool size42)
{
    QString title = QString::fromLatin1(kWatchRows[row].title);
    if (size42)
        title.replace(QLatin1String("38mm"), QLatin1String("42mm"));
    return title;
}

int watchRowOf(const char* id38)
{
    for (int i = 0; i < int(std::size(kWatchRows)); ++i)
        if (qstrcmp(kWatchRows[i].id, id38) == 0)
            return i;
    Q_UNREACHABLE();
    return 0;
}

struct Tables {
    QStringList categories;
    QHash<QString, QStringList> devicesByCategory;
    QHash<QString, QString> defaults;
    QHash<QString, QString> titles;
    QStringList handCategories;
    QStringList oldDevices;
    QHash<QString, QString> oldToNew;
    QSet<QString> included;
    QSet<QString> handDevices;
    QHash<QString, QString> categoryOfDevice;

    void addCategory(const QString& name, const QStringList& devices, const QString& def, bool hand)
    {
        categories << name;
        devicesByCategory.insert(name, devices);
        defaults.insert(name, def);
        if (hand)
            handCategories << name;
        for (const QString& d : devices) {
            included.insert(d);
            categoryOfDevice.insert(d, name);
            if (hand)
                handDevices.insert(d);
        }
    }

    void addTitles(const QStringList& ids, const QStringList& names)
    {
        Q_ASSERT(ids.size() == names.size());
        for (int i = 0; i < ids.size(); ++i)
            titles.insert(ids[i], names[i]);
    }

    void addOld(const QString& oldId, const QString& newId, bool withHandTwin)
    {
        oldDevices << oldId;
        oldToNew.insert(oldId, newId);
        if (withHandTwin) {
            oldDevices << oldId + QStringLiteral("-hand");
            oldToNew.insert(oldId + QStringLiteral("-hand"), newId);
        }
    }

    Tables()
    {
        addCategory(kNoDeviceCategory, {kNoDevice}, kNoDevice, false);
        addCategory("Apple iPad Air 2",
                    {"apple-ipad-air-2-gold", "apple-ipad-air-2-silver", "apple-ipad-air-2-space-gray"},
                    "apple-ipad-air-2-silver", false);
        addCategory("Apple iPad Mini 4",
                    {"apple-ipad-mini-4-gold", "apple-ipad-mini-4-silver", "apple-ipad-mini-4-space-gray"},
                    "apple-ipad-mini-4-silver", false);
        addCategory("Apple iPad Pro",
                    {"apple-ipad-pro-gold", "apple-ipad-pro-silver", "apple-ipad-pro-space-gray"},
                    "apple-ipad-pro-silver", false);
        addCategory("Apple iPhone 5c",
                    {"apple-iphone-5c-blue", "apple-iphone-5c-green", "apple-iphone-5c-red",
                     "apple-iphone-5c-white", "apple-iphone-5c-yellow"},
                    "apple-iphone-5c-white", true);
        addCategory("Apple iPhone 5s",
                    {"apple-iphone-5s-gold", "apple-iphone-5s-silver", "apple-iphone-5s-space-gray"},
                    "apple-iphone-5s-silver", true);
        addCategory("Apple iPhone 6s",
                    {"apple-iphone-6s-gold", "apple-iphone-6s-rose-gold", "apple-iphone-6s-silver",
                     "apple-iphone-6s-space-gray"},
                    "apple-iphone-6s-silver", true);
        addCategory("Apple iPhone 6s+",
                    {"apple-iphone-6s-plus-gold", "apple-iphone-6s-plus-rose-gold",
                     "apple-iphone-6s-plus-silver", "apple-iphone-6s-plus-space-gray"},
                    "apple-iphone-6s-plus-silver", true);
        for (bool size42 : {false, true}) {
            QStringList watches;
            for (int row = 0; row < int(std::size(kWatchRows)); ++row) {
                watches << watchId(row, size42);
                titles.insert(watchId(row, size42), watchTitle(row, size42));
            }
            addCategory(size42 ? kWatch42 : kWatch38, watches, watchId(1, size42), false);
        }
        addCategory("Google Nexus 4", {"google-nexus-4"}, "google-nexus-4", true);
        addCategory("Google Nexus 5X", {"google-nexus-5x"}, "google-nexus-5x", true);
        addCategory("Google Nexus 6P", {"google-nexus-6p"}, "google-nexus-6p", true);
        addCategory("Google Nexus 9", {"google-nexus-9"}, "google-nexus-9", false);
        addCategory("HTC One A9", {"htc-one-a9-black", "htc-one-a9-white"}, "htc-one-a9-white", true);
        addCategory("HTC One M8", {"htc-one-m8-black", "htc-one-m8-gold", "htc-one-m8-silver"},
                    "htc-one-m8-silver", true);
        addCategory("Microsoft Lumia 950", {"microsoft-lumia-950-black", "microsoft-lumia-950-white"},
                    "microsoft-lumia-950-white", true);
        addCategory("Samsung Note 5",
                    {"samsung-galaxy-note-5-black", "samsung-galaxy-note-5-gold",
                     "samsung-galaxy-note-5-pink", "samsung-galaxy-note-5-silver-titanium",
                     "samsung-galaxy-note-5-white"},
                    "samsung-galaxy-note-5-white", true);
        addCategory(kDesktopCategory,
                    {"desktop-safari-1024-600", "desktop-safari-1280-800", "desktop-safari-1440-900"},
                    "desktop-safari-1024-600", false);

        addTitles({"apple-ipad-air-2-silver", "apple-ipad-air-2-gold", "apple-ipad-air-2-space-gray"},
                  {"iPad Air 2 Silver", "iPad Air 2 Gold", "iPad Air 2 Space Gray"});
        addTitles({"apple-ipad-mini-4-silver", "apple-ipad-mini-4-gold", "apple-ipad-mini-4-space-gray"},
                  {"iPad Mini 4 Silver", "iPad Mini 4 Gold", "iPad Mini 4 Space Gray"});
        addTitles({"apple-ipad-pro-silver", "apple-ipad-pro-gold", "apple-ipad-pro-space-gray"},
                  {"iPad Pro Silver", "iPad Pro Gold", "iPad Pro Space Gray"});
        addTitles({"apple-iphone-5c-white", "apple-iphone-5c-red", "apple-iphone-5c-yellow",
                   "apple-iphone-5c-blue", "apple-iphone-5c-green"},
                  {"iPhone 5c White", "iPhone 5c Pink", "iPhone 5c Yellow", "iPhone 5c Blue",
                   "iPhone 5c Green"});
        addTitles({"apple-iphone-5s-silver", "apple-iphone-5s-gold", "apple-iphone-5s-space-gray"},
                  {"iPhone 5s Silver", "iPhone 5s Gold", "iPhone 5s Space Gray"});
        addTitles({"apple-iphone-6s-silver", "apple-iphone-6s-gold", "apple-iphone-6s-rose-gold",
                   "apple-iphone-6s-space-gray"},
                  {"iPhone 6s Silver", "iPhone 6s Gold", "iPhone 6s Rose Gold", "iPhone 6s Space Gray"});
        addTitles({"apple-iphone-6s-plus-silver", "apple-iphone-6s-plus-gold",
                   "apple-iphone-6s-plus-rose-gold", "apple-iphone-6s-plus-space-gray"},
                  {"iPhone 6s+ Silver", "iPhone 6s+ Gold", "iPhone 6s+ Rose Gold",
                   "iPhone 6s+ Space Gray"});
        addTitles({"htc-one-a9-white", "htc-one-a9-black"}, {"HTC One A9 White", "HTC One A9 Black"});
        addTitles({"htc-one-m8-silver", "htc-one-m8-black", "htc-one-m8-gold"},
                  {"HTC One M8 Silver", "HTC One M8 Black", "HTC One M8 Gold"});
        addTitles({"microsoft-lumia-950-white", "microsoft-lumia-950-black"},
                  {"Microsoft Lumia 950 White", "Microsoft Lumia 950 Black"});
        addTitles({"samsung-galaxy-note-5-white", "samsung-galaxy-note-5-black",
                   "samsung-galaxy-note-5-gold", "samsung-galaxy-note-5-pink",
                   "samsung-galaxy-note-5-silver-titanium"},
                  {"Samsung Note 5 White", "Samsung Note 5 Black", "Samsung Note 5 Gold",
                   "Samsung Note 5 Pink", "Samsung Note 5 Silver Titanium"});
        addTitles({"desktop-safari-1024-600", "desktop-safari-1280-800", "desktop-safari-1440-900"},
                  {"Safari Desktop 1024 x 600", "Safari Desktop 1280 x 800", "Safari Desktop 1440 x 900"});

        const QStringList oldPhones = {
            "iphone-6-spacegray", "iphone-6-silver", "iphone-6-gold",
            "iphone-6plus-spacegray", "iphone-6plus-silver", "iphone-6plus-gold",
            "iphone-5s-spacegray", "iphone-5s-silver", "iphone-5s-gold",
            "iphone-5c-green", "iphone-5c-blue", "iphone-5c-pink", "iphone-5c-white", "iphone-5c-yellow",
            "ipad-mini-spacegray", "ipad-mini-silver", "ipad-air-spacegray", "ipad-air-silver",
            "nexus-5-black"};
        const QStringList newPhones = {
            "apple-iphone-6s-space-gray", "apple-iphone-6s-silver", "apple-iphone-6s-gold",
            "apple-iphone-6s-plus-space-gray", "apple-iphone-6s-plus-silver", "apple-iphone-6s-plus-gold",
            "apple-iphone-5s-space-gray", "apple-iphone-5s-silver", "apple-iphone-5s-gold",
            "apple-iphone-5c-green", "apple-iphone-5c-blue", "apple-iphone-5c-red", "apple-iphone-5c-white",
            "apple-iphone-5c-yellow",
            "apple-ipad-mini-4-space-gray", "apple-ipad-mini-4-silver", "apple-ipad-air-2-space-gray",
            "apple-ipad-air-2-silver", "google-nexus-5x"};
        for (int i = 0; i < oldPhones.size(); ++i)
            addOld(oldPhones[i], newPhones[i], true);
        addOld("nexus-9", "google-nexus-9", false);

        struct OldWatch { const char* oldId; const char* newId38; };
        const OldWatch oldWatches[] = {
            {"applewatchsport-38-aluminum-sportband-black", "apple-watch-38mm-sport-space-gray-black-closed"},
            {"applewatchsport-38-aluminum-sportband-blue", "apple-watch-38mm-sport-aluminum-blue-closed"},
            {"applewatchsport-38-aluminum-sportband-green", "apple-watch-38mm-sport-aluminum-green-closed"},
            {"applewatchsport-38-aluminum-sportband-pink", "apple-watch-38mm-sport-aluminum-red-closed"},
            {"applewatchsport-38-aluminum-sportband-white", "apple-watch-38mm-sport-aluminum-white-closed"},
            {"applewatch-38-black-bracelet", "apple-watch-38mm-stainless-steel-black-leather-closed"},
            {"applewatch-38-steel-bracelet", "apple-watch-38mm-stainless-steel-black-leather-closed"},
            {"applewatchedition-38-gold-buckle-blue", "apple-watch-38mm-gold-midnight-blue-closed"},
            {"applewatchedition-38-gold-buckle-gray", "apple-watch-38mm-gold-black-leather-closed"},
            {"applewatchedition-38-gold-buckle-red", "apple-watch-38mm-rose-gold-lavender-closed"},
            {"applewatchedition-38-gold-sportband-black", "apple-watch-38mm-rose-gold-black-leather-close"},
            {"applewatchedition-38-gold-sportband-white", "apple-watch-38mm-rose-gold-lavender-closed"},
        };
        for (bool size42 : {false, true}) {
            for (const OldWatch& w : oldWatches) {
                QString oldId = QString::fromLatin1(w.oldId);
                if (size42)
                    oldId.replace(QLatin1String("-38-"), QLatin1String("-42-"));
                addOld(oldId, watchId(watchRowOf(w.newId38), size42), false);
            }
        }
    }
};

const Tables& tables()
{
    static const Tables t;  // built once; function-local statics are initialised thread-safely
    return t;
}

} // namespace

KVDeviceManager& KVDeviceManager::sharedInstance()
{
    static KVDeviceManager instance;
    return instance;
}

QString KVDeviceManager::defaultDevice() const { return kDefaultDevice; }
QString KVDeviceManager::noDevice() const { return kNoDevice; }

const QStringList& KVDeviceManager::deviceCategories() const { return tables().categories; }
const QHash<QString, QStringList>& KVDeviceManager::devicesByCategory() const { return tables().devicesByCategory; }
const QHash<QString, QString>& KVDeviceManager::defaultDeviceForCategoryData() const { return tables().defaults; }
const QHash<QString, QString>& KVDeviceManager::deviceTitles() const { return tables().titles; }
const QStringList& KVDeviceManager::devicesCategoriesWithHands() const { return tables().handCategories; }
const QStringList& KVDeviceManager::oldDevices() const { return tables().oldDevices; }
const QHash<QString, QString>& KVDeviceManager::fromOldToNewDeviceMap() const { return tables().oldToNew; }

std::optional<QStringList> KVDeviceManager::devicesForCategory(const QString& category) const
{
    auto it = tables().devicesByCategory.constFind(category);
    if (it == tables().devicesByCategory.constEnd())
        return std::nullopt;
    return *it;
}

QString KVDeviceManager::defaultDeviceForCategory(const QString& category) const
{
    return tables().defaults.value(category);
}

QString KVDeviceManager::titleForDevice(const QString& device) const
{
    return tables().titles.value(device);
}

bool KVDeviceManager::deviceIsIncluded(const QString& device) const
{
    return tables().included.contains(device);
}

bool KVDeviceManager::deviceIsDeprecated(const QString& device) const
{
    return tables().oldToNew.contains(device);
}

bool KVDeviceManager::deviceCanBeMappedToNewDevice(const QString& device) const
{
    return tables().oldToNew.contains(device);
}

QString KVDeviceManager::newDeviceFromOldDevice(const QString& device) const
{
    return tables().oldToNew.value(device);
}

bool KVDeviceManager::deviceSupportsHand(const QString& device) const
{
    return tables().handDevices.contains(device);
}

bool KVDeviceManager::deviceCategorySupportsHand(const QString& category) const
{
    return tables().handCategories.contains(category);
}

bool KVDeviceManager::deviceCategoryIsWatch(const QString& category) const
{
    return category == kWatch38 || category == kWatch42;
}

bool KVDeviceManager::deviceCategoryIsFullscreen(const QString& category) const
{
    return category == kNoDeviceCategory;
}

bool KVDeviceManager::deviceIsFullscreen(const QString& device) const
{
    return device == kNoDevice;
}

bool KVDeviceManager::deviceCategoryIsDesktopBrowser(const QString& category) const
{
    return category == kDesktopCategory;
}

bool KVDeviceManager::deviceCategorySupportLandscapeOrientation(const QString& category) const
{
    return !deviceCategoryIsWatch(category) && !deviceCategoryIsFullscreen(category)
        && !deviceCategoryIsDesktopBrowser(category);
}

QString KVDeviceManager::categoryForDevice(const QString& device) const
{
    return tables().categoryOfDevice.value(device);
}
