#pragma once

#include "importers/ImportRules.h"
#include "platform/NotificationCenter.h"

#include <QList>
#include <QObject>

// The import notifications posted while it lives, successes and failures apart.
struct ImportReports {
    QList<platform::Notification> successes;
    QList<platform::Notification> failures;
    QObject owner;
    ImportReports()
    {
        auto& center = platform::NotificationCenter::defaultCenter();
        center.addObserver(importers::kSuccessNotification, nullptr, [this](const platform::Notification& n) { successes << n; }, &owner);
        center.addObserver(importers::kFailureNotification, nullptr, [this](const platform::Notification& n) { failures << n; }, &owner);
    }
    int count() const { return int(successes.size() + failures.size()); }
};
