#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace testsupport {

// Runs the event loop until the condition holds or the timeout (ms) passes; answers the condition.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// Runs the event loop for the given time.
void spin(int ms);

// The path of a file under tests/fixtures.
QString fixturePath(const QString& relative);

// Writes the bytes to the file, making its folders; answers whether all were written.
bool writeFile(const QString& path, const QByteArray& bytes);

// Reads a whole UTF-8 file (empty when unreadable).
QString readFile(const QString& path);

// Runs `work` as if the disk were full: a file size limit of nothing fails every write (and a
// flush of buffered data) while truncating still works. Answers false, without running `work`,
// when the limit can't be set.
bool whileDiskIsFull(const std::function<void()>& work);

// The environment of the real program started by a test: user folders, the socket later
// launches hand over on and a temporary folder of its own, all under `home`; offscreen, with
// every log line.
QProcessEnvironment applicationEnvironment(const QTemporaryDir& home);

} // namespace testsupport
