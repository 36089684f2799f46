#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class QAction;
class QMenu;
class RBZelvorViewController;

// The menu from which the user picks the preview's device. It keeps its check marks in step
// with the project's "deviceType" setting and enables the orientation and hand buttons of the
// document for the device's category. The settings hold the device; the controller only shows it.
class RBDeviceSettingsMenuController : public QObject {
    Q_OBJECT
public:
    explicit RBDeviceSettingsMenuController(RBZelvorViewController* zelvorViewController);
    ~RBDeviceSettingsMenuController() override;

    QMenu* deviceMenu() const { return m_deviceMenu.get(); }
    QString deviceCategory() const { return m_deviceCategory; }
    QString previousDeviceCategory() const { return m_previousDeviceCategory; }

    // The user picked the device of this item.
    void update(QAction* item);
    // Maps an earlier device identifier in the settings to its current one.
    void updateDevice();
    // Updates the check marks and the toolbar for the device.
    void setDeviceType(const QString& identifier);
    // The user toggled the orientation.
    void orientationChanged();

private:
    void makeMenu();
    QAction* makeMenuItem(QMenu* menu, const QString& title, const QString& representedObject);
    void setupToolbarForDeviceCategory(const QString& title);
    void enableOrientationButton(const QString& category);
    void enableHandsButton(const QString& category);
    void setZoomLevelForDevice();
    void setOrientationButton();
    int storedOrientation() const;
    void storeDevice(const QString& identifier);

    QPointer<RBZelvorViewController> m_zelvorViewController;
    std::unique_ptr<QMenu> m_deviceMenu;
    QString m_deviceCategory;
    QString m_previousDeviceCategory;
};
