#pragma once

#include "completion/BackgroundValue.h"
#include "platform/NotificationCenter.h"

#include <QJsonValue>
#include <QMap>
#include <QStringList>

#include <functional>

// The names of the design layers imported into one project: for each entry of the project's
// "imported" folder, every "name" found in its "layers.json" (at any depth below "children").
// Keyed by the entry's path in double quotes, as the code names it: "\"imported/<entry>\"".
// Rebuilt off the main thread at each refresh notification and published on it in one step;
// a missing folder gives an empty table, an unreadable, oversized or malformed "layers.json"
// an empty list under its key. Read on the main thread.
class ImportedLayers {
public:
    static const QString kImportedFolder;   // "imported"
    static const QString kLayerInfoPostix;  // "layers.json"
    // Larger layer files are not read: no import writes one, and reading it would only cost.
    static constexpr qint64 kMaxLayerInfoSize = 16 * 1024 * 1024;

    // Reads nothing until the first refresh notification. Each reading asks for the project's
    // folder anew.
    ImportedLayers(std::function<QString()> projectPath, const QString& refreshNotification);
    ImportedLayers(const QString& projectPath, const QString& refreshNotification);
    ~ImportedLayers();
    ImportedLayers(const ImportedLayers&) = delete;
    ImportedLayers& operator=(const ImportedLayers&) = delete;

    // Reads the folder again, in the background.
    void getImportedLayers();
    const QMap<QString, QStringList>& layerNames() const { return m_layerNames.value(); }
    bool isReading() const { return m_layerNames.isRefreshing(); }

private:
    std::function<QString()> m_projectPath;
    BackgroundValue<QMap<QString, QStringList>> m_layerNames;
    platform::NotificationCenter::Token m_observer = 0;
};

// The table of a project folder, read at once.
QMap<QString, QStringList> readImportedLayerNames(const QString& projectPath);
// Every string value of a member named `key` in the value, depth-first: arrays are walked
// element by element, objects member by member, and a member named "children" is walked again.
void getValuesForKey(const QString& key, const QJsonValue& data, QStringList& result);
