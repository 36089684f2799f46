#include "document/UnsavedProgramKeeper.h"

#include "document/ProjectFolder.h"
#include "document/RunLeftovers.h"
#include "platform/ContainedFiles.h"
#include "platform/FileUtils.h"
#include "platform/Log.h"
#include "platform/SerialQueue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>

namespace {
const QString kDomain = QStringLiteral("RBDocument");

// The file's modification time becomes `time`; a link in its place is not followed.
void setModificationTime(const QString& path, const QDateTime& time)
{
    const qint64 ms = time.toMSecsSinceEpoch();
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(ms / 1000);
    times[1].tv_nsec = long(ms % 1000) * 1000000L;
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW);
}
} // namespace

UnsavedProgramKeeper::UnsavedProgramKeeper(Program program, PlaceNow place)
    : m_program(std::move(program))
    , m_place(std::move(place))
{
}

UnsavedProgramKeeper::~UnsavedProgramKeeper()
{
    stop();
    m_queue.reset(); // writes what is queued, then ends
}

void UnsavedProgramKeeper::start()
{
    m_check.start(checkSeconds, [this] {
        if (m_lastEdit.isValid())
            keepNow();
    }, true);
}

void UnsavedProgramKeeper::edited()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    m_lastEdit = QDateTime::fromMSecsSinceEpoch(now);
    if (m_firstUnkeptEdit == 0)
        m_firstUnkeptEdit = now;
    // A pause in the typing, or, while it goes on, the longest wait since the first edit that
    // is not on disk yet: whichever comes first.
    const qint64 due = std::min(now + qint64(pauseSeconds * 1000), m_firstUnkeptEdit + qint64(longestWaitSeconds * 1000));
    m_due.start(double(std::max<qint64>(0, due - now)) / 1000.0, [this] { keepNow(); });
}

void UnsavedProgramKeeper::keepNow()
{
    m_due.stop();
    m_firstUnkeptEdit = 0;
    const std::optional<QString> text = m_program ? m_program() : std::nullopt;
    if (!text)
        return;
    Job job{*text, m_place ? m_place() : Place{}, m_lastEdit.isValid() ? m_lastEdit : QDateTime::currentDateTime()};
    if (job.place.file.isEmpty())
        return;
    // The editor's text belongs to the main thread: a copy of it (shared, not copied until
    // the editor changes it) goes to the writing thread with everything it needs.
    if (!m_queue)
        m_queue = std::make_unique<platform::SerialQueue>(QStringLiteral("RBDocumentBackups"));
    m_queue->async([this, job = std::move(job)] { write(job); });
}

void UnsavedProgramKeeper::wait()
{
    if (m_queue)
        m_queue->sync([] {});
}

void UnsavedProgramKeeper::stop()
{
    m_due.stop();
    m_check.stop();
}

QString UnsavedProgramKeeper::lastKept() const
{
    std::lock_guard lock(m_keptMutex);
    return m_keptText;
}

void UnsavedProgramKeeper::write(const Job& job)
{
    const QString& file = job.place.file;
    // A project may come from anyone: a backups folder that is a link would have the writes,
    // and the pruning after them, land outside the project.
    const QString& root = job.place.project;
    if (!job.place.backupsFolder.isEmpty() && !platform::resolvesInside(root, job.place.backupsFolder)) {
        platform::Log::warning(kDomain, QStringLiteral("No backup in %1: it leads out of the project").arg(job.place.backupsFolder));
        return;
    }
    if (!job.place.savedProgram.isEmpty()) {
        const std::optional<QByteArray> saved = platform::readFileInside(root, job.place.savedProgram);
        if (saved && QString::fromUtf8(*saved) == job.text) {
            // Back at the saved program: an older backup of this run would offer edits the
            // user took back.
            std::lock_guard lock(m_keptMutex);
            if (m_keptFile == file && QFileInfo::exists(file))
                RunLeftovers::setBackupAside(file);
            m_keptFile.clear();
            m_keptText.clear();
            return;
        }
    }
    {
        std::lock_guard lock(m_keptMutex);
        if (m_keptFile == file && m_keptText == job.text)
            return;
    }
    QString reason;
    if ((!job.place.backupsFolder.isEmpty() && !platform::makeFolderInside(root, job.place.backupsFolder, &reason))
        || !platform::writeFileInside(root, file, job.text.toUtf8(), &reason)) {
        // Not written: the next edit or check tries again.
        platform::Log::error(kDomain, QStringLiteral("Could not keep the unsaved program in %1: %2").arg(file, reason));
        return;
    }
    setModificationTime(file, job.lastEdit);
    {
        std::lock_guard lock(m_keptMutex);
        m_keptFile = file;
        m_keptText = job.text;
    }
    if (!job.place.backupsFolder.isEmpty())
        ProjectFolder::pruneBackups(job.place.backupsFolder);
}
