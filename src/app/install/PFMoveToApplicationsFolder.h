#pragma once

#include "app/install/MovePlan.h"

#include <QString>

namespace platform {
class UserDefaults;
}

// The pieces of the machine the move acts on; tests replace them.
struct MoveActions {
    std::function<int(const QString& program, const QStringList& arguments)> run; // exit status, -1 when it did not run
    std::function<bool(const QString& from, const QString& to)> copyTree;
    std::function<bool(const QString& path)> remove;
    std::function<bool(const QString& script)> startDetachedShell;
    std::function<void(int status)> exit;
    std::function<bool(const QString& destination)> isRunningFrom; // a running program started from there
    qint64 pid = 0; // the process the relaunch waits for (0: this one)
};

// Offers once per start, when the program runs from an install tree in Downloads, a temporary
// folder or on removable media, to move itself into the applications folder, and relaunches
// from there (ending this process). Returns when nothing is to be done, the user declines or the
// move failed (after saying so).
void PFMoveToApplicationsFolderIfNecessary(platform::UserDefaults& defaults);
// The same with the machine's facts and actions given.
void moveToApplicationsFolderIfNecessary(platform::UserDefaults& defaults, const QString& executablePath,
                                         const MoveEnvironment& environment, const MoveActions& actions);

// The facts and actions of this machine.
MoveEnvironment currentMoveEnvironment(platform::UserDefaults& defaults);
MoveActions currentMoveActions();

// Moves the item to the Trash; logs "ERROR -- Could not trash '%@'" and answers false on failure.
bool Trash(const QString& path);
