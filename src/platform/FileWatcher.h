#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QStringList>

#include <functional>

namespace platform {

// Watches a few files for changes made by other programs and calls a handler on the main
// thread with the path that changed. A watch survives the ways editors save: writing in place,
// writing a new file and renaming it over the old one, and deleting then re-creating the file
// (the folders that hold the files are watched too, so a file that reappears is picked up).
// Stopping the watcher, or destroying it, drops every event not yet delivered.
class FileWatcher : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QString& path)>;

    explicit FileWatcher(QObject* parent = nullptr);
    ~FileWatcher() override;

    // Starts watching these files (absolute paths; missing files are watched for their creation).
    void watch(const QStringList& paths, Handler handler);
    void stop();
    QStringList paths() const { return m_paths; }

private:
    struct Stamp {
        bool exists = false;
        qint64 size = -1;
        QDateTime modified;
        quint64 inode = 0;
        bool operator==(const Stamp& other) const = default;
    };
    static Stamp stampOf(const QString& path);
    void fileChanged(const QString& path);
    void directoryChanged(const QString& folder);
    void rewatch(const QString& path);
    void report(const QString& path);

    QFileSystemWatcher* m_watcher = nullptr;
    QStringList m_paths;
    QHash<QString, Stamp> m_stamps;
    Handler m_handler;
};

} // namespace platform
