#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace platform {

// Calls `fn` after `seconds` on the main thread, replacing any call still pending for the same
// receiver and key: calling it repeatedly within the delay fires once, the delay counted from
// the last call. The pending call dies with the receiver.
void debounce(QObject* receiver, const QString& key, double seconds, std::function<void()> fn);

// Cancels the pending call of that receiver and key, if any.
void cancelDebounce(QObject* receiver, const QString& key);

// Whether a call is pending for that receiver and key.
bool isDebouncePending(const QObject* receiver, const QString& key);

} // namespace platform
