#pragma once

#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

// The entries of the device-scale pop-up and the rule that picks the entry shown for a
// "deviceScale" setting.
namespace DeviceScaleMenu {

struct Entry {
    QString name;      // "25%" ... "Fit"; empty for the separator
    QJsonValue value;  // the "deviceScale" value it stands for
    bool isSeparator() const { return name.isEmpty(); }
};

// "25%", "50%", "75%", "100%", "150%", "200%", a separator, "Fit".
const QList<Entry>& entries();
int fitIndex();

// The entry for a setting: a string stands for "Fit"; a number with no entry gives nullopt
// (the pop-up keeps what it shows).
std::optional<int> indexForValue(const QJsonValue& value);

} // namespace DeviceScaleMenu
