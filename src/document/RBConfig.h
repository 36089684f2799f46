#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// Reader and writer of a project's settings file, "zelvor/config.json": a pretty-printed JSON
// object. `values` is empty when the file is missing or unreadable and absent (nullopt) when
// its text is not a JSON object; such a file is kept beside it, renamed, before a save
// replaces it, so that nothing the user wrote is lost.
class RBConfig {
public:
    explicit RBConfig(QString path); // reads the file at once
    RBConfig() = delete;

    QString path() const { return m_path; }
    const std::optional<QJsonObject>& values() const { return m_values; }
    void setValues(const QJsonObject& values) { m_values = values; }

    void load();
    // Writes `values` atomically. Answers false (and logs "RBConfig.save error: ...") on failure;
    // `error` then holds the reason.
    bool save(QString* error = nullptr);

    // JSON text of a value: null for an absent one, a string literal for a string, otherwise
    // the value pretty-printed.
    static QString toJson(const QJsonValue& value);
    // Parses the text; nullopt with `error` set when it is not JSON.
    static std::optional<QJsonValue> fromJson(const QString& text, QString* error = nullptr);

    // The name under which an unreadable settings file is kept.
    static QString keptPathFor(const QString& path);

private:
    QString m_path;
    std::optional<QJsonObject> m_values;
    bool m_keepExistingFile = false; // the file on disk is not ours to overwrite unseen
};
