#include "preview/DeviceScaleSteps.h"

namespace preview {
namespace {
constexpr double kSteps[] = {0.25, 0.5, 0.75, 1, 1.5, 2};
constexpr int kStepCount = sizeof(kSteps) / sizeof(kSteps[0]);

DeviceScaleStep write(double scale) { return {DeviceScaleStep::Action::Write, scale}; }
DeviceScaleStep beep() { return {DeviceScaleStep::Action::Beep, 0}; }
} // namespace

const double* deviceScaleSteps(int* count)
{
    if (count)
        *count = kStepCount;
    return kSteps;
}

DeviceScaleStep stepDeviceScale(const QJsonValue& current, std::optional<double> phoneScale, bool increase)
{
    const bool fitMode = current.isUndefined() || current.isNull() || current.isString()
        || (current.isDouble() && current.toDouble() == -1);
    double value = current.toDouble();
    if (fitMode) {
        if (phoneScale) {
            // The first step past the scale the page draws at, in the direction asked.
            const float reported = static_cast<float>(*phoneScale);
            if (increase) {
                for (double step : kSteps)
                    if (static_cast<float>(step) > reported)
                        return write(step);
            } else {
                for (int i = kStepCount - 1; i >= 0; --i)
                    if (static_cast<float>(kSteps[i]) < reported)
                        return write(kSteps[i]);
            }
            return beep();
        }
        value = 1;
    }
    for (int i = 0; i < kStepCount; ++i) {
        if (kSteps[i] != value)
            continue;
        const int next = increase ? i + 1 : i - 1;
        if (next < 0 || next >= kStepCount)
            return beep();
        return write(kSteps[next]);
    }
    return {}; // a value set elsewhere, such as 1.25: not a step
}

} // namespace preview
