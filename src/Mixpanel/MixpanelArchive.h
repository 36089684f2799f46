#pragma once

#include <QJsonValue>
#include <QString>

#include <optional>

// The stored queues of the event client: one JSON file per kind of state.

// Writes the value as JSON, atomically, creating the folder when missing. Answers success.
bool writeArchive(const QString& path, const QJsonValue& value);

// Reads a stored value and removes the file, so that its records are not read twice.
// A missing file answers nothing. A file that is not JSON of the expected shape (an array, or
// an object when `expectObject`) answers nothing too: it is kept beside the original under a
// new name and logged, and the client starts empty.
std::optional<QJsonValue> takeArchive(const QString& path, bool expectObject);
