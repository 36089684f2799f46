#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Crash reports: a fatal signal (segmentation fault, abort, bus error, arithmetic or illegal
// instruction) writes a report with the version, the signal, a backtrace and the last log
// lines into the user's state folder, then lets the process die as it would have. The next
// launch offers to show the report. Nothing is sent anywhere.
//
// Reports are "*.crash" until they have been offered, then "*.txt".
class CrashReporter {
public:
    // "$XDG_STATE_HOME/ZelvorStudio/crashes" (~/.local/state when XDG_STATE_HOME is not set).
    static QString defaultDirectory();

    // Installs the handlers for the rest of the process's life (later calls change the folder
    // and version). Answers false when the folder cannot be made.
    static bool install(const QString& directory, const QString& version);

    // The reports not yet offered, newest first.
    static QStringList pendingReports(const QString& directory);
    // Marks a report as offered; answers its new path.
    static QString markOffered(const QString& reportPath);

    // Offers the newest pending report in an alert ("Show Report" / "Not Now"); every pending
    // report counts as offered afterwards. `show` opens a report (default: the desktop's text
    // viewer). Answers whether a report was offered.
    static bool offerPendingReports(const QString& directory, const std::function<void(const QString&)>& show = {});
};
