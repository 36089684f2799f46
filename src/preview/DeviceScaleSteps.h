#pragma once
#include <QJsonValue>
#include <optional>

// The preview's zoom steps (0.25, 0.5, 0.75, 1, 1.5, 2) and the "larger"/"smaller" commands
// over the "deviceScale" setting, where -1 (or no number at all) means "fit the view".
namespace preview {

struct DeviceScaleStep {
    enum class Action { Write, Beep, Nothing };
    Action action = Action::Nothing;
    double scale = 0; // the value to write, for Write
};

const double* deviceScaleSteps(int* count);

// The next larger (`increase`) or smaller step from the current setting; `phoneScale` is the
// scale the page last reported drawing the device at, used when the setting is in fit mode.
DeviceScaleStep stepDeviceScale(const QJsonValue& current, std::optional<double> phoneScale, bool increase);

} // namespace preview
