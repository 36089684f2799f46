#include "completion/ImportedLayers.h"

#include "compiler/LogMessage.h"
#include "platform/ContainedFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

const QString ImportedLayers::kImportedFolder = QStringLiteral("imported");
const QString ImportedLayers::kLayerInfoPostix = QStringLiteral("layers.json");

namespace {

// The JSON reader refuses deeper nesting than this, and the walk never goes deeper either.
constexpr int kMaxDepth = 1100;

void walk(const QString& key, const QJsonValue& data, QStringList& result, int depth)
{
    if (depth > kMaxDepth)
        return;
    if (data.isArray()) {
        for (const QJsonValue element : data.toArray())
            walk(key, element, result, depth + 1);
    } else if (data.isObject()) {
        const QJsonObject object = data.toObject();
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            if (it.key() == key && it.value().isString())
                result.append(it.value().toString());
            if (it.key() == u"children")
                walk(key, it.value(), result, depth + 1);
        }
    }
}

QStringList layerNamesInFile(const QString& projectPath, const QString& path)
{
    QStringList names;
    // A link out of the project, or a pipe, is never opened.
    const std::optional<QByteArray> bytes = platform::readFileInside(projectPath, path, nullptr, ImportedLayers::kMaxLayerInfoSize);
    if (!bytes)
        return names;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(*bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return names;
    getValuesForKey(QStringLiteral("name"), document.array(), names);
    return names;
}

} // namespace

void getValuesForKey(const QString& key, const QJsonValue& data, QStringList& result)
{
    walk(key, data, result, 0);
}

QMap<QString, QStringList> readImportedLayerNames(const QString& projectPath)
{
    QMap<QString, QStringList> table;
    const QDir folder(QDir(projectPath).filePath(ImportedLayers::kImportedFolder));
    if (!folder.exists())
        return table;
    const QStringList entries =
        folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString& entry : entries) {
        const QString key = u'"' + ImportedLayers::kImportedFolder + u'/' + entry + u'"';
        table.insert(key, layerNamesInFile(projectPath, folder.filePath(entry + u'/' + ImportedLayers::kLayerInfoPostix)));
    }
    return table;
}

ImportedLayers::ImportedLayers(const QString& projectPath, const QString& refreshNotification)
    : ImportedLayers([projectPath] { return projectPath; }, refreshNotification)
{
}

ImportedLayers::ImportedLayers(std::function<QString()> projectPath, const QString& refreshNotification)
    : m_projectPath(std::move(projectPath))
{
    m_observer = platform::NotificationCenter::defaultCenter().addObserver(
        refreshNotification, nullptr, [this](const platform::Notification&) { getImportedLayers(); });
}

ImportedLayers::~ImportedLayers()
{
    LogMessage(QStringLiteral("memory"), 3, QStringLiteral("deinit"));
    platform::NotificationCenter::defaultCenter().removeObserver(m_observer);
}

void ImportedLayers::getImportedLayers()
{
    m_layerNames.refresh([path = m_projectPath()] { return readImportedLayerNames(path); });
}
