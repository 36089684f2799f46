#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

// What an update did: nothing to do (the project's files already hold the newest library),
// replaced the files that differed, or failed (the project keeps the library it had).
struct LibraryUpdateOutcome {
    enum class Result { UpToDate, Updated, Failed };
    Result result = Result::Failed;
    // Why it failed, for the user; empty otherwise.
    QString error;
    // The version the new library names ("" when it names none).
    QString version;
    // The old files kept beside the new ones (file names).
    QStringList keptCopies;
};

// Brings a project's copy of the prototyping library ("zelvor/zelvor.js" and its source map)
// up to date: from the maker's build server ("/latest/<file name>") when the build names one,
// else from the library this application ships. The project's files are replaced only when
// both new files arrived whole and look like the library, and only those that differ; each
// replaced file is kept beside the new one under the first free numbered ".old" name. The
// library's fonts ("zelvor/fonts/") always come from the application. A failed update leaves
// the project's library as it was and says why.
//
// Lives on the main thread; the downloads run asynchronously, so the window never waits.
class LibraryUpdate : public QObject {
    Q_OBJECT
public:
    // The library files, in the order they are replaced.
    static QStringList fileNames();

    // `serverURL` may be empty (the shipped library is then taken from `shippedFolder`).
    LibraryUpdate(QString projectFolder, QString serverURL, QString shippedFolder, QObject* parent = nullptr);
    ~LibraryUpdate() override;

    // Runs the update once and tells `done` what it did. The update deletes itself after
    // calling it.
    void start(std::function<void(const LibraryUpdateOutcome&)> done);

    // How long a download may stay silent before it fails.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

private:
    void fetchNext();
    void received(QNetworkReply* reply);
    void finish(const QString& error);
    void fail(const QString& error);

    QString m_projectFolder;
    QString m_serverURL;
    QString m_shippedFolder;
    int m_timeoutMs = 10000;
    QNetworkAccessManager* m_network = nullptr;
    QList<QPair<QString, QByteArray>> m_files;
    std::function<void(const LibraryUpdateOutcome&)> m_done;
};

// A path that names nothing yet, made from a template holding "#{number}": first the template
// without the marker, then (the marker appended when it has none) the marker replaced by 1, 2,
// 3, ... up to 100, which is answered even when it exists.
QString pathForNonexistingFile(const QString& pathTemplate);

// Why the bytes are not a usable copy of the library file `name` ("zelvor.js" or
// "zelvor.js.map"), or empty when they are: an error page, an empty or binary body or a map
// that is no source map would break every prototype of the project.
QString libraryFileProblem(const QString& name, const QByteArray& bytes);

// The version a copy of "zelvor.js" names (`ZELVOR_VERSION = "…"`), or empty.
QString libraryVersion(const QByteArray& library);

// Puts each file that differs from the folder's copy in place, moving the file it replaces to
// the first free "<name>.old#{number}" first; files already equal stay untouched. When a step
// fails every file already replaced gets its old content back, so the folder holds the old
// library or the new one, never a mix. Answers UpToDate, Updated (with the copies kept) or
// Failed (with the reason).
LibraryUpdateOutcome replaceLibraryFiles(const QString& folder, const QList<QPair<QString, QByteArray>>& files);

// Puts the files of the shipped library's "fonts" folder (the faces of a prototype's text and
// their licence) into `libraryFolder`'s "fonts" where they are missing or differ, never through
// a link out of the project (the folder that holds `libraryFolder`). Answers why one could not
// be written, or empty; `written` gets the names written.
QString addLibraryFonts(const QString& libraryFolder, const QString& shippedFolder, QStringList* written = nullptr);
