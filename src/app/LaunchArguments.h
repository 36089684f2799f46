#pragma once

#include <QString>
#include <QStringList>

// What a launch asks the application to open: "zelvor://" links as they stand, and project
// folders as absolute paths (relative ones against the launch's working folder; "file://"
// addresses from the desktop's launcher become paths). Options ("-x", "--x") and addresses
// of other kinds are dropped.
QStringList launchItems(const QStringList& arguments, const QString& workingDirectory);

// Whether the item is a "zelvor://" link (the scheme in any letter case).
bool isZelvorLink(const QString& item);
