#include "preview/RBDeviceSettingsMenuController.h"

#include "messages/ProjectConfig.h"
#include "preview/KVDeviceManager.h"
#include "preview/RBPreviewDocument.h"
#include "preview/RBZelvorViewController.h"

#include <QAction>
#include <QMenu>
#include <QRegularExpression>

namespace {
QString representedObject(const QAction* item)
{
    return item ? item->data().toString() : QString();
}
} // namespace

RBDeviceSettingsMenuController::RBDeviceSettingsMenuController(RBZelvorViewController* zelvorViewController)
    : m_zelvorViewController(zelvorViewController)
{
    makeMenu();
    RBPreviewDocument* document = m_zelvorViewController ? m_zelvorViewController->document() : nullptr;
    setDeviceType(document ? document->configValues().value(ProjectConfig::DeviceType).toString() : QString());
}

RBDeviceSettingsMenuController::~RBDeviceSettingsMenuController() = default;

void RBDeviceSettingsMenuController::makeMenu()
{
    m_deviceMenu = std::make_unique<QMenu>(QStringLiteral("Device Menu"));
    const KVDeviceManager& devices = KVDeviceManager::sharedInstance();
    for (const QString& category : devices.deviceCategories()) {
        QAction* item = makeMenuItem(m_deviceMenu.get(), category, devices.defaultDeviceForCategory(category));
        const QStringList members = devices.devicesForCategory(category).value_or(QStringList());
        if (members.size() > 1) {
            // The submenu is owned by the top-level menu and goes with it.
            auto* submenu = new QMenu(QStringLiteral("Menu"), m_deviceMenu.get());
            for (const QString& device : members)
                makeMenuItem(submenu, devices.titleForDevice(device), device);
            item->setMenu(submenu);
        }
    }
}

QAction* RBDeviceSettingsMenuController::makeMenuItem(QMenu* menu, const QString& title, const QString& object)
{
    QAction* item = menu->addAction(title);
    item->setCheckable(true);
    item->setData(object);
    connect(item, &QAction::triggered, this, [this, item] { update(item); });
    return item;
}

void RBDeviceSettingsMenuController::storeDevice(const QString& identifier)
{
    RBPreviewDocument* document = m_zelvorViewController ? m_zelvorViewController->document() : nullptr;
    if (!document)
        return;
    document->setConfigValue(ProjectConfig::DeviceType, identifier);
    document->saveConfig();
    setDeviceType(identifier);
    m_zelvorViewController->reload();
}

void RBDeviceSettingsMenuController::update(QAction* item)
{
    const QString identifier = representedObject(item);
    if (!identifier.isEmpty())
        storeDevice(identifier);
}

void RBDeviceSettingsMenuController::updateDevice()
{
    RBPreviewDocument* document = m_zelvorViewController ? m_zelvorViewController->document() : nullptr;
    if (!document)
        return;
    const QString current = KVDeviceManager::sharedInstance().newDeviceFromOldDevice(
        document->configValues().value(ProjectConfig::DeviceType).toString());
    if (!current.isEmpty())
        storeDevice(current);
}

void RBDeviceSettingsMenuController::setDeviceType(const QString& identifier)
{
    QString found;
    for (QAction* item : m_deviceMenu->actions()) {
        item->setChecked(false);
        if (QMenu* submenu = item->menu()) {
            for (QAction* member : submenu->actions()) {
                const bool match = representedObject(member) == identifier;
                member->setChecked(match);
                if (match) {
                    item->setChecked(true);
                    found = item->text();
                }
            }
        } else if (representedObject(item) == identifier) {
            item->setChecked(true);
            found = item->text();
        }
    }
    setupToolbarForDeviceCategory(found);
}

void RBDeviceSettingsMenuController::setupToolbarForDeviceCategory(const QString& title)
{
    static const QRegularExpression leadingSpace(QStringLiteral("^\\s*"));
    QString category = title;
    category.replace(leadingSpace, QString());
    if (title.isNull())
        category = QString();
    m_previousDeviceCategory = !m_deviceCategory.isNull() ? m_deviceCategory : category;
    m_deviceCategory = category;
    enableOrientationButton(m_deviceCategory);
    enableHandsButton(m_deviceCategory);
    setZoomLevelForDevice();
    setOrientationButton();
}

int RBDeviceSettingsMenuController::storedOrientation() const
{
    RBPreviewDocument* document = m_zelvorViewController ? m_zelvorViewController->document() : nullptr;
    return document ? document->configValues().value(ProjectConfig::DeviceOrientation).toVariant().toInt() : 0;
}

void RBDeviceSettingsMenuController::enableOrientationButton(const QString& category)
{
    RBPreviewDocument* document = m_zelvorViewController ? m_zelvorViewController->document() : nullptr;
    if (!document)
        return;
    const KVDeviceManager& devices = KVDeviceManager::sharedInstance();
    document->setOrientationEnabled(devices.deviceCategorySupportLandscapeOrientation(category));
    if ((devices.deviceCategoryIsWatch(category) || devices.deviceCategoryIsDesktopBrowser(category))
        && storedOrientation() != 0) {
        document->setConfigValue(ProjectConfig::DeviceOrientation, 0);
        document->saveConfig();
    }
}

void RBDeviceSettingsMenuController::enableHandsButton(const QString& category)
{
    RBPreviewDocument* document = m_zelvorViewController ? m_zelvorViewController->document() : nullptr;
    if (!document)
        return;
    document->setHandsEnabled(KVDeviceManager::sharedInstance().deviceCategorySupportsHand(category)
                              && storedOrientation() == 0);
}

void RBDeviceSettingsMenuController::setZoomLevelForDevice()
{
    RBPreviewDocument* document = m_zelvorViewController ? m_zelvorViewController->document() : nullptr;
    if (!document || m_deviceCategory == m_previousDeviceCategory)
        return;
    // A new kind of device starts fitted into the view; another colour keeps its scale.
    document->setConfigValue(ProjectConfig::DeviceScale, -1);
    document->saveConfig();
}

void RBDeviceSettingsMenuController::setOrientationButton()
{
    RBPreviewDocument* document = m_zelvorViewController ? m_zelvorViewController->document() : nullptr;
    if (!document)
        return;
    document->setOrientationButtonImage(storedOrientation() == 0 ? QStringLiteral("icon-orientation-landscape")
                                                                 : QStringLiteral("icon-orientation"));
}

void RBDeviceSettingsMenuController::orientationChanged()
{
    enableHandsButton(m_deviceCategory);
    setOrientationButton();
}
