#pragma once

#include "platform/Timer.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace platform { class SerialQueue; }

// Keeps a project's program on disk while it has edits that are not saved, so that a run that
// ends abruptly (a crash, a kill, a power cut) loses at most the last second or two of typing.
// The text is taken one second after typing pauses, and at least every eight seconds while it
// goes on; it is written on a thread of its own, atomically, and the file's modification time
// is set to the moment of the last edit, which the next start shows when it offers the text.
// Nothing is written while the text equals the saved program; a backup of this run that the
// text has come back from is set aside, so that it is not offered as lost work.
// Main thread only, but for the writes.
class UnsavedProgramKeeper {
public:
    // Where the text of a project goes, asked for at each write (a project may be saved, or
    // saved elsewhere, in between).
    struct Place {
        QString file;          // the file that keeps the text ("" = the text is not kept)
        QString backupsFolder; // made when missing and pruned after each write ("" = none)
        QString savedProgram;  // the saved program: nothing is kept while the text equals it ("" = none)
        QString project;       // the project folder: nothing is read or written through a link out of it
    };
    using Program = std::function<std::optional<QString>()>;
    using PlaceNow = std::function<Place()>;

    static constexpr double pauseSeconds = 1.0;
    static constexpr double longestWaitSeconds = 8.0;
    // When nothing tells of edits (a change from elsewhere than the keyboard), the text is
    // looked at this often all the same.
    static constexpr double checkSeconds = 10.0;

    UnsavedProgramKeeper(Program program, PlaceNow place);
    // Writes what is queued, then ends.
    ~UnsavedProgramKeeper();
    UnsavedProgramKeeper(const UnsavedProgramKeeper&) = delete;
    UnsavedProgramKeeper& operator=(const UnsavedProgramKeeper&) = delete;

    // Looks at the text every `checkSeconds` from now on.
    void start();
    // The user changed the program just now.
    void edited();
    // Takes the text now and queues it for writing.
    void keepNow();
    // Waits until what was queued so far is written.
    void wait();
    // No more writes are scheduled (what is queued is still written).
    void stop();
    // The text last written (empty before the first, and after it was set aside).
    QString lastKept() const;

private:
    struct Job {
        QString text;
        Place place;
        QDateTime lastEdit;
    };
    // On the writing thread.
    void write(const Job& job);

    Program m_program;
    PlaceNow m_place;
    platform::Timer m_due;
    platform::Timer m_check;
    qint64 m_firstUnkeptEdit = 0; // ms since 1970; 0 = every edit is taken
    QDateTime m_lastEdit;
    std::unique_ptr<platform::SerialQueue> m_queue;

    mutable std::mutex m_keptMutex;
    QString m_keptFile;
    QString m_keptText;
};
