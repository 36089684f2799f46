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
    // Reads the file at once. Nothing is read or written outside `root` (the project folder;
    // by default the folder that holds the file): a link that leads out of it is not followed.
    explicit RBConfig(QString path, QString root = {});
    RBConfig() = delete;

    QString path() const { return m_path; }
    const std::optional<QJsonObject>& values() const { return m_values; }
    void setValues(const QJsonObject& values) { m_values = values; }

    void load();
    // Why the file on disk was not taken ("" when it was, or when there is none): it is kept
    // aside at the next save, and the user should hear that the defaults are in force.
    QString problem() const { return m_problem; }
    // Settings files are a few hundred bytes; one far larger is not read.
    static constexpr qint64 kMaxFileSize = 1 << 20;
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
    QString m_root;
    QString m_problem;
    std::optional<QJsonObject> m_values;
    bool m_keepExistingFile = false; // the file on disk is not ours to overwrite unseen
};
