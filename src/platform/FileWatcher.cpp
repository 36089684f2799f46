#include "platform/FileWatcher.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace platform {

FileWatcher::FileWatcher(QObject* parent)
    : QObject(parent)
{
}

FileWatcher::~FileWatcher() = default;

FileWatcher::Stamp FileWatcher::stampOf(const QString& path)
{
    Stamp stamp;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.size = qint64(st.st_size);
    stamp.modified = QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000);
    stamp.inode = quint64(st.st_ino);
    return stamp;
}

void FileWatcher::watch(const QStringList& paths, Handler handler)
{
    stop();
    m_handler = std::move(handler);
    // A fresh watcher per watch: events queued for the old one die with it.
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &FileWatcher::fileChanged);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &FileWatcher::directoryChanged);
    QStringList folders;
    for (const QString& given : paths) {
        const QString path = QFileInfo(given).absoluteFilePath();
        m_paths.append(path);
        m_stamps.insert(path, stampOf(path));
        const QString folder = QFileInfo(path).absolutePath();
        if (!folders.contains(folder))
            folders.append(folder);
        if (QFileInfo::exists(path))
            m_watcher->addPath(path);
    }
    for (const QString& folder : folders)
        if (QFileInfo(folder).isDir())
            m_watcher->addPath(folder);
}

void FileWatcher::stop()
{
    if (m_watcher) {
        m_watcher->disconnect(this);
        m_watcher->deleteLater();
        m_watcher = nullptr;
    }
    m_paths.clear();
    m_stamps.clear();
    m_handler = nullptr;
}

void FileWatcher::rewatch(const QString& path)
{
    // After a rename over the file the watch names an inode that is gone: watch the new one.
    if (m_watcher && QFileInfo::exists(path) && !m_watcher->files().contains(path))
        m_watcher->addPath(path);
}

void FileWatcher::report(const QString& path)
{
    const Stamp now = stampOf(path);
    if (now == m_stamps.value(path))
        return; // already reported through the other road (file and folder events both arrive)
    m_stamps.insert(path, now);
    if (m_handler) {
        Handler handler = m_handler; // the handler may stop or restart this watcher
        handler(path);
    }
}

void FileWatcher::fileChanged(const QString& path)
{
    rewatch(path);
    report(path);
}

void FileWatcher::directoryChanged(const QString& folder)
{
    const QStringList paths = m_paths;
    for (const QString& path : paths) {
        if (QFileInfo(path).absolutePath() != folder)
            continue;
        rewatch(path);
        report(path);
    }
}

} // namespace platform
