#include "document/RBDocument.h"

#include "messages/NotificationName.h"
#include "messages/RBDocumentStateUpdate.h"
#include "document/DeviceScaleMenu.h"
#include "document/DocumentImports.h"
#include "document/LibraryUpdate.h"
#include "document/ProjectFolder.h"
#include "document/RBConfig.h"
#include "document/RBProgressWindowController.h"
#include "document/RunLeftovers.h"
#include "document/TemporaryProjectRemoval.h"
#include "document/UnsavedProgramKeeper.h"
#include "platform/Bundle.h"
#include "platform/Dispatch.h"
#include "platform/ContainedFiles.h"
#include "platform/Debounce.h"
#include "platform/FileUtils.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/SerialQueue.h"
#include "platform/gui/Alert.h"
#include "platform/gui/DocumentController.h"
#include "platform/gui/FilePanel.h"
#include "preview/RBNetworkUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QRandomGenerator>
#include <QUrl>
#include <QUuid>

#include <cstdio>

namespace {
const QString kDomain = QStringLiteral("RBDocument");
const QString kProgram = QStringLiteral("app.coffee");

QString join(const QString& folder, const QString& name)
{
    return folder + QLatin1Char('/') + name;
}

// A folder of this process under the temporary folder, the same for every untitled project.
QString processTemporaryFolder()
{
    return join(QDir::tempPath(), QStringLiteral("zelvor-studio-%1").arg(QCoreApplication::applicationPid()));
}
} // namespace

RBDocument::RBDocument(RBDocumentServices services, QObject* parent)
    : platform::Document(parent)
    , m_services(std::move(services))
    , m_imports(std::make_unique<DocumentImports>(*this))
{
    setFileType(QStringLiteral("zelvor"));
    const QString device = m_services.deviceCatalog ? m_services.deviceCatalog->defaultDevice() : QString();
    m_configDefaults = ProjectConfig::makeDefaults(device);
    m_config.reset(m_configDefaults);
    connect(this, &platform::Document::changeCountChanged, this, [this](bool edited) { m_everEdited |= edited; });
    m_keeper = std::make_unique<UnsavedProgramKeeper>([this] { return currentProgram(); }, [this] {
        // A saved project's edits go to this run's backup; an untitled project's program is
        // the one thing of it worth keeping, in its temporary folder.
        if (!isSaved())
            return UnsavedProgramKeeper::Place{m_temporaryPath.isEmpty() ? QString() : programPath(), {}, {}, projectPath()};
        const QString backups = join(projectPath(), QStringLiteral("zelvor/backups"));
        return UnsavedProgramKeeper::Place{join(backups, ProjectFolder::backupFileName(m_services.launchDate)), backups,
                                           programPath(), projectPath()};
    });
}

RBDocument::~RBDocument()
{
    cleanup();
    m_keeper.reset(); // writes what is queued, then ends
}

RBDocument* RBDocument::newDocumentWithTemplatePath(const QString& templatePath)
{
    auto& controller = platform::DocumentController::sharedDocumentController();
    auto* document = qobject_cast<RBDocument*>(controller.makeDocument());
    if (!document)
        document = new RBDocument();
    document->setTemplatePath(templatePath);
    document->makeWindowControllers();
    document->showWindows();
    controller.addDocument(document);
    return document;
}

// ---------------------------------------------------------------- the project folder

QString RBDocument::projectPath() const
{
    return isSaved() ? fileURL() : m_temporaryPath;
}

QString RBDocument::programPath() const
{
    return join(projectPath(), kProgram);
}

QString RBDocument::templateFolder() const
{
    return m_templatePath.isEmpty() ? platform::Bundle::main().pathForResource(QStringLiteral("ZelvorTemplate"))
                                    : m_templatePath;
}

bool RBDocument::createProjectAtPath(const QString& path, const std::optional<QString>& content, QStringList* errors)
{
    const ProjectFolder::Creation creation = ProjectFolder::createProjectAtPath(path, content, templateFolder());
    if (creation.created && QFileInfo(path).isDir())
        addRandomTouchIconToProject(path);
    for (const QString& error : creation.errors)
        platform::Log::error(kDomain, QStringLiteral("createProjectAtPath.error: %1").arg(error));
    if (errors)
        *errors = creation.errors;
    return creation.ok;
}

void RBDocument::copyFilesFrom(const QString& source, const QString& target, bool recursive, bool replace)
{
    QStringList errors;
    ProjectFolder::copyFilesFrom(source, target, recursive, replace, &errors);
    for (const QString& error : errors)
        platform::Log::error(kDomain, error);
}

void RBDocument::addRandomTouchIconToProject(const QString& path)
{
    const int variant = int(QRandomGenerator::global()->bounded(4)) + 1;
    const QString icons = platform::Bundle::main().pathForResource(QStringLiteral("ZelvorTemplateTouchIcons"));
    for (const QString& error : ProjectFolder::addTouchIconsToProject(path, icons, variant))
        platform::Log::error(kDomain, error);
}

bool RBDocument::recycleFileAtPath(const QString& path)
{
    if (!platform::moveToTrash(path).isEmpty())
        return true;
    platform::Log::error(kDomain, QStringLiteral("Could not move %1 to the Trash").arg(path));
    return false;
}

// ---------------------------------------------------------------- the format version

int RBDocument::documentCurrentVersion()
{
    return ProjectFolder::documentCurrentVersion;
}

QString RBDocument::documentVersionInfoPath() const
{
    return ProjectFolder::documentVersionInfoPath(projectPath());
}

int RBDocument::documentVersion() const
{
    return ProjectFolder::documentVersion(projectPath());
}

void RBDocument::writeDocumentVersion()
{
    ProjectFolder::writeDocumentVersion(projectPath());
}

void RBDocument::checkDocumentVersion()
{
    if (isSaved() && documentVersion() < documentCurrentVersion())
        presentDocumentVersionUpgrade();
}

void RBDocument::presentDocumentVersionUpgrade()
{
    platform::Alert alert;
    alert.setAlertStyle(platform::Alert::Warning);
    alert.addButton(QStringLiteral("Update"));
    alert.addButton(QStringLiteral("Cancel"));
    alert.setMessageText(QStringLiteral("Update Zelvor Library"));
    if (documentVersion() == 1) {
        alert.setInformativeText(QStringLiteral("This document was created using an older version of Zelvor. Please update to the latest Zelvor Library that now includes the new previewing devices."));
        setHandsEnabled(true);
    } else {
        alert.setInformativeText(QStringLiteral("This document was created using an older version of Zelvor. Please update to the latest Zelvor Library to make it compatible."));
    }
    if (alert.runModalSheetForWindow(windowForSheet()) != platform::Alert::kFirstButtonReturn)
        return; // offered again at the next opening
    m_updatingFramework = true;
    upgradeDocument();
}

void RBDocument::upgradeDocument()
{
    QPointer<RBDocument> self(this);
    const int oldVersion = documentVersion();
    const bool saved = saveDocumentWithSheet(true, [self, oldVersion] {
        if (!self)
            return;
        self->m_updatingFramework = false;
        const QString target = join(self->projectPath(), QStringLiteral("zelvor"));
        const QString source = join(platform::Bundle::main().pathForResource(QStringLiteral("ZelvorTemplate")), QStringLiteral("zelvor"));
        // The user asked for the update and the copy is saved: a library that could not be
        // replaced must be said, not only logged, or the copy passes for updated.
        auto fail = [&self, oldVersion](const QString& reason) {
            platform::Log::error(kDomain, QStringLiteral("Upgrade error: %1").arg(reason));
            // The save of the copy wrote the current format number; the copy keeps its old
            // library, so it keeps its old number and is offered the update when opened again.
            const QString versionFile = self->documentVersionInfoPath();
            if (oldVersion < 0 && platform::resolvesInside(self->projectPath(), QFileInfo(versionFile).path()))
                QFile::remove(versionFile);
            else if (oldVersion >= 0)
                ProjectFolder::writeDocumentVersion(self->projectPath(), oldVersion);
            platform::Alert alert;
            alert.setAlertStyle(platform::Alert::Critical);
            alert.setMessageText(QStringLiteral("The Zelvor Library of \u201C%1\u201D could not be updated.").arg(self->displayName()));
            alert.setInformativeText(reason + QStringLiteral("\nThe copy was saved as it was; it is offered the update again when it is opened."));
            alert.runModalSheetForWindow(self->windowForSheet());
        };
        if (!QFileInfo(source).isDir())
            return fail(QStringLiteral("The template folder \u201C%1\u201D is missing.").arg(source));
        if (QFileInfo::exists(target) && !self->recycleFileAtPath(target))
            return fail(QStringLiteral("\u201C%1\u201D could not be moved to the Trash.").arg(target));
        QStringList errors;
        ProjectFolder::copyFilesFrom(source, target, true, false, &errors);
        if (!errors.isEmpty())
            return fail(errors.join(QLatin1Char('\n')));
        const QString device = self->m_config.stringValue(ProjectConfig::DeviceType);
        if (self->m_services.deviceCatalog && self->m_services.deviceCatalog->deviceCanBeMappedToNewDevice(device)
            && self->preview())
            self->preview()->updateDevice();
        if (self->m_config.intValue(ProjectConfig::DeviceOrientation) == -90) {
            self->m_config.setValue(ProjectConfig::DeviceOrientation, 90);
            self->saveConfig();
        }
        self->writeDocumentVersion();
    });
    // No copy was made (the panel was cancelled, or the save failed): the project stays as it
    // was, and a later Save As is a plain one again.
    if (!saved && self)
        m_updatingFramework = false;
}

// ---------------------------------------------------------------- opening and set-up

bool RBDocument::readFromURL(const QString& path, const QString& type, QString* error)
{
    const QFileInfo folder(path);
    if (!folder.isDir()) {
        // A project is a folder; a file of that name is not one and is never written into.
        if (error)
            *error = QStringLiteral("\u201C%1\u201D is not a project folder.").arg(folder.fileName());
        platform::Log::error(kDomain, QStringLiteral("Cannot open %1: not a folder").arg(path));
        return false;
    }
    const QString program = join(path, kProgram);
    // A project may come from anyone: its program and its own folder must be its own, or
    // opening would show (and saving overwrite) whatever they point at.
    if (const QString problem = ProjectFolder::openingProblem(path); !problem.isEmpty()) {
        if (error)
            *error = problem;
        platform::Log::error(kDomain, QStringLiteral("Cannot open %1: %2").arg(path, problem));
        return false;
    }
    if (!QFileInfo::exists(program) && !QFileInfo(program).isSymLink()) {
        const QString starter = platform::Bundle::main().pathForResource(QStringLiteral("AppCoffeeNonExisting"), QStringLiteral("coffee"), QStringLiteral("Snippets"));
        if (starter.isEmpty() || !QFile::copy(starter, program))
            platform::Log::warning(kDomain, QStringLiteral("Could not put the starter program into %1").arg(path));
    }
    createProjectAtPath(path, std::nullopt);

    const std::optional<QByteArray> read = platform::readFileInside(path, program, nullptr, ProjectFolder::maximumProgramSize);
    const bool readable = read.has_value();
    const QByteArray bytes = read.value_or(QByteArray());
    const QString text = QString::fromUtf8(bytes);
    // A program that exists but cannot be read, or is not UTF-8 text (its bytes would not
    // survive a save), is kept aside before a save replaces it; the user is told once the
    // window is up.
    m_programUnreadable = !readable && (QFileInfo::exists(program) || QFileInfo(program).isSymLink());
    m_programNotText = readable && !bytes.isValidUtf8();
    if (m_programNotText)
        m_programUnreadable = true;
    if (!readable)
        platform::Log::error(kDomain, QStringLiteral("Could not read %1; the editor starts empty").arg(program));
    if (editor())
        editor()->setContent(readable ? text : QString());
    else if (readable)
        m_contentToLoad = text;

    loadConfig();
    reloadPreview();
    updateServerMount();
    setupFileListener();
    return true;
}

bool RBDocument::hasUnsavedWork() const
{
    if (isDocumentEdited())
        return true;
    if (isSaved())
        return false;
    if (m_everEdited)
        return true;
    if (projectPath().isEmpty())
        return false; // not set up: nothing was made yet
    // Drops and imports copy files into these folders without editing the program.
    for (const char* folder : {"images", "modules", "imported"}) {
        const QDir given(join(projectPath(), QLatin1String(folder)));
        if (!given.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty())
            return true;
    }
    return false;
}

void RBDocument::setup()
{
    if (m_setUp)
        return;
    m_setUp = true;
    if (!isSaved()) {
        m_temporaryPath = join(join(processTemporaryFolder(), QUuid::createUuid().toString(QUuid::WithoutBraces)),
                               displayName() + QStringLiteral(".zelvor"));
        QStringList errors;
        if (!createProjectAtPath(m_temporaryPath, std::nullopt, &errors)) {
            platform::Alert alert;
            alert.setAlertStyle(platform::Alert::Critical);
            alert.setMessageText(QStringLiteral("The new project could not be made completely."));
            alert.setInformativeText(errors.join(QLatin1Char('\n')));
            alert.runModalSheetForWindow(windowForSheet());
        }
        updateServerMount();
    }
    if (m_services.buildWindow)
        m_services.buildWindow(*this);
    m_imports->setupImportHandler();
    if (editor()) {
        if (!isSaved())
            editor()->setContent(platform::readTextFile(programPath()));
        if (m_contentToLoad)
            editor()->setContent(*m_contentToLoad);
    }
    setupDeviceScalePopup();
    loadConfig();
    postProjectNotices();
    if (m_programUnreadable)
        alertUnreadableProgram();

    QPointer<RBDocument> self(this);
    platform::dispatchAfter(0.1, [self] {
        if (self && !self->isClosed())
            self->checkDocumentVersion();
        if (self && !self->isClosed())
            self->offerUnsavedBackup();
    });
    m_keeper->start();
}

void RBDocument::programEdited(bool stillModified)
{
    updateChangeCount(stillModified ? platform::Document::ChangeDone : platform::Document::ChangeCleared);
    if (!m_cleanedUp)
        m_keeper->edited();
}

void RBDocument::toolbarImport()
{
    m_imports->toolbarImport();
}

void RBDocument::toolbarImportAgain()
{
    m_imports->toolbarImportAgain();
}

void RBDocument::reloadPreview()
{
    if (m_services.server && m_services.server->isFailed()) {
        // The page would come from a server that is gone: ask for the project again, which
        // starts the server anew; the preview reloads once it is served. A preview without a
        // page yet shows that it waits again.
        updateServerMount();
        if (m_serverLocalUrl.isEmpty() && preview())
            preview()->reload(this);
        return;
    }
    if (preview())
        preview()->reload(this);
}

// ---------------------------------------------------------------- saving

std::optional<QString> RBDocument::currentProgram() const
{
    // Without an editor the text read at opening is the program; with neither, "app.coffee"
    // stays as it is on disk.
    if (editor())
        return editor()->content();
    return m_contentToLoad;
}

bool RBDocument::saveDocument()
{
    return saveDocumentWithSheet(!isSaved());
}

bool RBDocument::saveDocumentAs()
{
    return saveDocumentWithSheet(true);
}

bool RBDocument::saveDocumentWithSheet(bool sheet, const std::function<void()>& success)
{
    platform::NotificationCenter::defaultCenter().post(NotificationName::HideActions());
    return sheet ? saveThroughPanel(success) : saveInPlace();
}

void RBDocument::alertSaveFailure(const QStringList& reasons)
{
    platform::Alert alert;
    alert.setAlertStyle(platform::Alert::Critical);
    alert.setMessageText(QStringLiteral("The project \u201C%1\u201D could not be saved.").arg(displayName()));
    alert.setInformativeText(reasons.join(QLatin1Char('\n')));
    alert.runModalSheetForWindow(windowForSheet());
}

bool RBDocument::saveInPlace()
{
    const bool wasEdited = isDocumentEdited();
    m_isSaving = true;
    // The watch of the old files ends now: the save's own writes are not outside changes, and
    // what changed before is overwritten.
    m_fileSystemEvents.stop();
    m_changedWhileSaving = false;
    platform::cancelDebounce(this, QStringLiteral("reloadDocumentFromFileChange"));

    QStringList errors;
    const bool folderGone = isSaved() && !QFileInfo(projectPath()).isDir();
    if (folderGone) {
        // Writing now would make a bare new project where the old one was, apart from the
        // user's pictures and modules, and call that saved.
        errors.append(QStringLiteral("The project folder \u201C%1\u201D is no longer there: it was moved, renamed or deleted while "
                                     "the project was open. Choose Save As\u2026 to save the project in a folder of your choice.")
                          .arg(projectPath()));
    } else if (m_programUnreadable) {
        if (keepUnreadableProgram())
            m_programUnreadable = false;
        else
            errors.append(QStringLiteral("\u201C%1\u201D could not be read and could not be kept aside.").arg(programPath()));
    }
    if (errors.isEmpty()) {
        createProjectAtPath(projectPath(), currentProgram(), &errors);
        writeDocumentVersion();
    }
    QString configError;
    if (!folderGone && !saveConfig(&configError))
        errors.append(QStringLiteral("Could not write \u201C%1\u201D: %2").arg(configPath(), configError));
    if (!errors.isEmpty()) {
        // Nothing is reported as saved that was not: the document stays edited.
        setupFileListener();
        m_isSaving = false;
        alertSaveFailure(errors);
        return false;
    }
    reloadPreview();
    updateChangeCount(ChangeCleared);
    setupFileListener();
    updateServerMount();
    if (m_services.server)
        m_services.server->eval(QStringLiteral("location.reload()"));
    m_isSaving = false;
    Q_EMIT documentSaved(wasEdited, QFileInfo(programPath()).size());
    return true;
}

void RBDocument::alertUnreadableProgram()
{
    platform::Alert alert;
    alert.setAlertStyle(platform::Alert::Warning);
    alert.setMessageText(m_programNotText
                             ? QStringLiteral("\u201C%1\u201D is not UTF-8 text.").arg(kProgram)
                             : QStringLiteral("\u201C%1\u201D could not be read.").arg(kProgram));
    alert.setInformativeText(
        (m_programNotText ? QStringLiteral("Characters that are not UTF-8 are shown as \uFFFD in the editor. ")
                          : QStringLiteral("The editor starts empty. "))
        + QStringLiteral("When you save, the original file is kept beside the new one, under a name that begins with \u201Capp-unreadable\u201D."));
    alert.runModalSheetForWindow(windowForSheet());
}

bool RBDocument::keepUnreadableProgram()
{
    const QString program = programPath();
    if (!QFileInfo::exists(program) && !QFileInfo(program).isSymLink())
        return true;
    const QString kept = platform::suggestFilenameAtPath(join(projectPath(), QStringLiteral("app-unreadable.coffee")));
    // rename(2) moves a dangling link too, where QFile::rename would refuse it.
    if (std::rename(QFile::encodeName(program).constData(), QFile::encodeName(kept).constData()) != 0) {
        platform::Log::error(kDomain, QStringLiteral("Could not keep the unreadable %1 as %2").arg(program, kept));
        return false;
    }
    platform::Log::warning(kDomain, QStringLiteral("The unreadable %1 was kept as %2").arg(program, kept));
    return true;
}

void RBDocument::endUnsavedSave()
{
    m_isSaving = false;
    // Nothing overwrote what changed on disk meanwhile: it is taken (or asked about) now.
    if (std::exchange(m_changedWhileSaving, false)) {
        QPointer<RBDocument> self(this);
        platform::debounce(this, QStringLiteral("reloadDocumentFromFileChange"), 0.05,
                           [self] { if (self) self->reloadDocumentFromFileChange(); });
    }
}

bool RBDocument::saveThroughPanel(const std::function<void()>& success)
{
    m_isSaving = true;
    const QString ownPath = isSaved() ? QFileInfo(fileURL()).absoluteFilePath() : QString();
    const QString chosen = chooseSaveTarget(ownPath);
    if (chosen.isEmpty()) {
        endUnsavedSave();
        return false;
    }
    const QString target = QFileInfo(chosen).absoluteFilePath();
    const QString wasUnsaved = isSaved() ? QString() : m_temporaryPath;
    QString problem = ProjectFolder::saveTargetProblem(target, ownPath, projectPath(),
                                                       target != ownPath && isOpenElsewhere(target));
    if (problem.isEmpty())
        problem = copyIntoPlace(target, ownPath, wasUnsaved);
    if (!problem.isEmpty()) {
        endUnsavedSave();
        alertSaveFailure({problem});
        return false;
    }
    const bool saved = commitSaveAt(target, ownPath, wasUnsaved);
    if (saved && success)
        success();
    m_isSaving = false;
    return saved;
}

QString RBDocument::chooseSaveTarget(const QString& ownPath)
{
    platform::SavePanel panel;
    panel.setAllowedFileType(QStringLiteral("zelvor"));
    if (isSaved())
        panel.setDirectory(QFileInfo(ownPath).path());
    if (m_updatingFramework) {
        const QString name = QUrl::fromPercentEncoding(QFileInfo(ownPath).completeBaseName().toUtf8());
        panel.setNameFieldStringValue(ProjectFolder::upgradeCopyName(name));
        panel.setPrompt(QStringLiteral("Save Copy"));
        // The project itself cannot be picked or named: the copy must be a new folder.
        panel.setShouldEnablePath([ownPath](const QString& path) { return QFileInfo(path).absoluteFilePath() != ownPath; });
        panel.setValidator([ownPath](const QString& path) {
            return !ownPath.isEmpty() && QFileInfo(path).absoluteFilePath() == ownPath
                       ? QStringLiteral("Updating Zelvor may affect your existing project. Please save a new copy so you can quickly revert to your existing version if needed.")
                       : QString();
        });
    } else {
        panel.setNameFieldStringValue(displayName());
    }
    return panel.runModal(windowForSheet());
}

QString RBDocument::copyIntoPlace(const QString& target, const QString& ownPath, const QString& wasUnsaved)
{
    if (!ownPath.isEmpty() && target == ownPath) {
        // The folder is about to be replaced: work from a copy of it.
        const QString copy = join(join(processTemporaryFolder(), QUuid::createUuid().toString(QUuid::WithoutBraces)),
                                  displayName() + QStringLiteral(".upgrade"));
        QDir().mkpath(QFileInfo(copy).path());
        QStringList errors;
        ProjectFolder::copyFilesFrom(ownPath, copy, true, false, &errors);
        if (!errors.isEmpty())
            return errors.join(QLatin1Char('\n'));
        platform::Log::info(kDomain, QStringLiteral("Backup at %1").arg(copy));
        setFileURL(copy);
    }
    if ((QFileInfo::exists(target) || QFileInfo(target).isSymLink()) && !recycleFileAtPath(target)) {
        // The folder is still where it was, untouched: later saves belong there, not in the
        // temporary copy, which the system clears.
        if (!ownPath.isEmpty() && target == ownPath)
            setFileURL(ownPath);
        return QStringLiteral("\u201C%1\u201D could not be moved to the Trash to make room.").arg(target);
    }

    const QString source = isSaved() ? fileURL() : wasUnsaved;
    QStringList errors;
    if (!QDir().mkpath(target))
        errors.append(QStringLiteral("Could not create the folder \u201C%1\u201D.").arg(target));
    else
        ProjectFolder::copyFilesFrom(source, target, true, false, &errors);
    if (errors.isEmpty() && !wasUnsaved.isEmpty()) {
        const QString extras = platform::Bundle::main().pathForResource(QStringLiteral("ZelvorTemplateExtras"));
        if (!extras.isEmpty())
            ProjectFolder::copyFilesFrom(extras, target, true, false, &errors);
    }
    return errors.join(QLatin1Char('\n'));
}

bool RBDocument::commitSaveAt(const QString& target, const QString& ownPath, const QString& wasUnsaved)
{
    const QString previousPath = ownPath.isEmpty() ? wasUnsaved : ownPath;
    const bool moving = target != ownPath;
    const QString previousUrl = m_serverLocalUrl;
    const bool programWasUnreadable = m_programUnreadable;
    setFileURL(target);
    // Until the new place is served, the preview has no page to load: the old place is
    // about to be left.
    if (moving)
        m_serverLocalUrl.clear();
    const bool saved = saveInPlace();
    if (!saved && moving) {
        // The project stays where it was, still served from there; the new folder keeps what
        // was written into it.
        setFileURL(ownPath);
        m_serverLocalUrl = previousUrl;
        m_programUnreadable = programWasUnreadable;
        if (isSaved())
            setupFileListener();
        else
            m_fileSystemEvents.stop();
    } else if (saved) {
        platform::DocumentController::sharedDocumentController().noteNewRecentDocumentURL(target);
        // The project left its old place: devices on the network no longer get it from there.
        if (moving)
            stopServing(previousPath);
    }
    return saved;
}

// ---------------------------------------------------------------- backups

void RBDocument::offerUnsavedBackup()
{
    if (!isSaved() || !editor())
        return;
    const QString backup = RunLeftovers::unsavedBackup(projectPath());
    // This run's own backup is of edits still in the editor.
    if (backup.isEmpty() || QFileInfo(backup).fileName() == ProjectFolder::backupFileName(m_services.launchDate))
        return;
    const std::optional<QByteArray> bytes = platform::readFileInside(projectPath(), backup, nullptr, ProjectFolder::maximumProgramSize);
    if (!bytes)
        return;
    const QString text = QString::fromUtf8(*bytes);
    platform::Alert alert;
    alert.setAlertStyle(platform::Alert::Warning);
    alert.setMessageText(QStringLiteral("\u201C%1\u201D has changes that were never saved.").arg(displayName()));
    alert.setInformativeText(
        QStringLiteral("They were last edited on %1, and Zelvor Studio ended before they were saved. Restore them into the "
                       "editor? The saved program stays as it is on disk until you save.")
            .arg(QLocale().toString(QFileInfo(backup).lastModified(), QLocale::ShortFormat)));
    alert.addButton(QStringLiteral("Restore Changes"));
    alert.addButton(QStringLiteral("Keep Saved Version"));
    const int answer = alert.runModalSheetForWindow(windowForSheet());
    if (answer == platform::Alert::kFirstButtonReturn + 1) {
        RunLeftovers::setBackupAside(backup);
        return;
    }
    if (answer != platform::Alert::kFirstButtonReturn)
        return; // not answered (the application is quitting): offered again at the next opening
    restoreProgram(text);
    // The edits now live in this run's backup; the old one would be offered again after a
    // later "Don't Save".
    makeBackup();
    RunLeftovers::setBackupAside(backup);
}

void RBDocument::restoreProgram(const QString& text)
{
    if (editor())
        editor()->replaceAllText(text);
    else
        m_contentToLoad = text;
    updateChangeCount(ChangeDone);
}

bool RBDocument::canCloseDocument()
{
    const bool edited = isSaved() && isDocumentEdited();
    if (!platform::Document::canCloseDocument())
        return false;
    // Closed with its edits still unsaved: the user chose not to keep them.
    if (edited && isDocumentEdited()) {
        waitForBackups();
        RunLeftovers::setBackupAside(join(join(projectPath(), QStringLiteral("zelvor/backups")),
                                          ProjectFolder::backupFileName(m_services.launchDate)));
    }
    return true;
}

void RBDocument::makeBackupInBackground()
{
    m_keeper->keepNow();
}

void RBDocument::makeBackup()
{
    makeBackupInBackground();
    waitForBackups();
}

void RBDocument::waitForBackups()
{
    m_keeper->wait();
}

QString RBDocument::lastBackupContent() const
{
    return m_keeper->lastKept();
}

// ---------------------------------------------------------------- outside changes

void RBDocument::setupFileListener()
{
    if (!isSaved())
        return;
    QPointer<RBDocument> self(this);
    const QString page = QFileInfo(join(projectPath(), QStringLiteral("index.html"))).absoluteFilePath();
    m_fileSystemEvents.watch({programPath(), page}, [self, page](const QString& path) {
        if (!self)
            return;
        // With unsaved edits the program on disk differs from the editor: a change of
        // the page alone would ask about a change of the program that did not happen. A real
        // change of the program is reported on its own.
        if (path == page && self->isDocumentEdited())
            return;
        if (self->m_isSaving) {
            // The save panel is open: a save overwrites the change, a cancel must not lose it.
            self->m_changedWhileSaving = true;
            return;
        }
        platform::debounce(self, QStringLiteral("reloadDocumentFromFileChange"), 0.05,
                           [self] { if (self) self->reloadDocumentFromFileChange(); });
    });
}

void RBDocument::reloadDocumentFromFileChange()
{
    if (m_isSaving)
        return;
    const std::optional<QByteArray> bytes = platform::readFileInside(projectPath(), programPath(), nullptr, ProjectFolder::maximumProgramSize);
    const bool readable = bytes.has_value();
    const QString text = QString::fromUtf8(bytes.value_or(QByteArray()));
    if (!readable) {
        // Deleted or moved away outside: the editor now holds the only copy of the program,
        // so the window shows it as unsaved and closing asks to save it.
        const QFileInfo program(programPath());
        if (editor() && !program.exists() && !program.isSymLink() && !isDocumentEdited())
            updateChangeCount(ChangeDone);
        return;
    }
    if (!editor()) {
        if (m_contentToLoad && *m_contentToLoad == text)
            return;
        m_contentToLoad = text; // the editor that comes later shows the newest text
        return;
    }
    if (text == editor()->content())
        return;
    if (isDocumentEdited()) {
        // Replacing the text now would throw away work the user has not saved: ask first.
        if (m_askingAboutOutsideChange)
            return; // the question on screen reads the file again when answered
        m_askingAboutOutsideChange = true;
        QPointer<RBDocument> self(this);
        const bool load = askToLoadOutsideChange();
        if (!self)
            return;
        m_askingAboutOutsideChange = false;
        if (!load || !editor())
            return;
        const std::optional<QByteArray> again = platform::readFileInside(projectPath(), programPath(), nullptr, ProjectFolder::maximumProgramSize);
        const QString newest = QString::fromUtf8(again.value_or(QByteArray()));
        if (!again || newest == editor()->content())
            return;
        editor()->replaceAllText(newest);
    } else {
        editor()->replaceAllText(text);
    }
    // The editor holds what is on disk now: there is nothing left to save.
    updateChangeCount(ChangeCleared);
    reloadPreview();
    if (m_services.server)
        m_services.server->eval(QStringLiteral("location.reload()"));
}

bool RBDocument::askToLoadOutsideChange()
{
    platform::Alert alert;
    alert.setAlertStyle(platform::Alert::Warning);
    alert.setMessageText(QStringLiteral("\u201C%1\u201D was changed by another application.").arg(kProgram));
    alert.setInformativeText(QStringLiteral("The project \u201C%1\u201D has unsaved changes. Keep your version to save it over the file later, "
                                            "or load the version on disk and lose your unsaved changes.").arg(displayName()));
    alert.addButton(QStringLiteral("Keep My Version"));
    alert.addButton(QStringLiteral("Load from Disk"));
    return alert.runModalSheetForWindow(windowForSheet()) == platform::Alert::kFirstButtonReturn + 1;
}

// ---------------------------------------------------------------- the local server

void RBDocument::updateServerMount()
{
    RBDocumentServer* server = m_services.server;
    if (!server)
        return;
    QPointer<RBDocument> self(this);
    const QString path = projectPath();
    server->mount(path, [self, server, path](const QJsonObject& reply, const QString& error) {
        // A late answer for a place the project has left says nothing about where it is now.
        if (!self || self->projectPath() != path)
            return;
        if (!error.isEmpty()) {
            platform::Log::error(kDomain, QStringLiteral("Mount error for %1 %2").arg(path, error));
            // Without the server the preview gets no page: it says why instead of waiting.
            if (self->preview())
                self->preview()->showServerProblem(error);
            return;
        }
        const QString url = reply.value(QStringLiteral("result")).toObject().value(QStringLiteral("url")).toString();
        self->m_serverLocalUrl = server->url()
            + QString::fromUtf8(QUrl::toPercentEncoding(url, "/:@!$&'()*+,;=-._~?#[]"));
        self->reloadPreview();
    });
}

QString RBDocument::serverUrl() const
{
    return RBNetworkUtil::networkUrl(m_serverLocalUrl);
}

// ---------------------------------------------------------------- settings

QString RBDocument::configPath() const
{
    return join(projectPath(), ProjectConfig::configFileName);
}

void RBDocument::loadConfig()
{
    const RBConfig file(configPath(), projectPath());
    if (!file.problem().isEmpty())
        showProjectNotice(file.problem()
                          + QStringLiteral(" The project uses its default settings; when it is saved, the old file is kept beside the new one."));
    if (!file.values())
        return;
    const QJsonObject values = *file.values();
    for (auto it = values.begin(); it != values.end(); ++it)
        m_config.setValue(it.key(), it.value());
}

bool RBDocument::saveConfig(QString* error)
{
    RBConfig file(configPath(), projectPath());
    file.setValues(m_config.toJsonObject());
    return file.save(error);
}

void RBDocument::showProjectNotice(const QString& message)
{
    if (!m_projectNotices.contains(message))
        m_projectNotices.append(message);
    postProjectNotices();
}

void RBDocument::postProjectNotices()
{
    if (!editor())
        return; // said once the editor is there
    for (const QString& message : std::as_const(m_projectNotices)) {
        RBDocumentStateUpdate update;
        update.setState(RBDocumentStateError);
        update.setType(RBDocumentStateUpdate::projectNoticeType());
        update.setMessage(message);
        update.post(this);
    }
    m_projectNotices.clear();
}

void RBDocument::setupDeviceScalePopup()
{
    selectDeviceScaleEntry(DeviceScaleMenu::fitIndex());
    if (m_observingConfig)
        return;
    m_observingConfig = true;
    connect(&m_config, &ProjectConfig::valueChanged, this, &RBDocument::configValueChanged);
}

void RBDocument::configValueChanged(const QString& key, const QJsonValue& value)
{
    if (key == ProjectConfig::DeviceScale) {
        if (const std::optional<int> index = DeviceScaleMenu::indexForValue(value))
            selectDeviceScaleEntry(*index);
        else
            platform::Log::info(kDomain, QStringLiteral("No device scale entry for %1").arg(RBConfig::toJson(value)));
    } else if (key == ProjectConfig::DeviceType) {
        if (m_services.deviceCatalog && m_services.deviceCatalog->deviceIsFullscreen(value.toString())) {
            setDeviceScaleEnabled(false);
            setOrientationEnabled(false);
        } else {
            setDeviceScaleEnabled(true);
        }
    }
}

void RBDocument::selectDeviceScaleEntry(int index)
{
    m_selectedScaleEntry = index;
    if (documentWindow())
        documentWindow()->selectDeviceScaleEntry(index);
}

void RBDocument::orientationButtonPressed()
{
    if (!m_orientationEnabled)
        return;
    const int orientation = m_config.intValue(ProjectConfig::DeviceOrientation);
    m_config.setValue(ProjectConfig::DeviceOrientation, orientation == 0 ? 90 : 0);
    if (preview())
        preview()->orientationChanged();
    saveConfig();
}

void RBDocument::handButtonPressed()
{
    const QString device = m_config.stringValue(ProjectConfig::DeviceType);
    if (!m_services.deviceCatalog || !m_services.deviceCatalog->deviceSupportsHand(device)) {
        setHandsEnabled(false);
        return;
    }
    if (!preview())
        return;
    QPointer<RBDocument> self(this);
    preview()->evaluateCoffeeScript(QStringLiteral("Zelvor.Device.nextHand()"), [self](const QJsonValue& result, const QString& error) {
        if (!self || !error.isEmpty() || !ProjectConfig::acceptsValue(ProjectConfig::SelectedHand, result))
            return;
        self->m_config.setValue(ProjectConfig::SelectedHand, result);
        self->saveConfig();
    });
}

void RBDocument::setDevicePickerEnabled(bool enabled)
{
    m_devicePickerEnabled = enabled;
    if (documentWindow())
        documentWindow()->setDevicePickerEnabled(enabled);
}

void RBDocument::setHandsEnabled(bool enabled)
{
    m_handsEnabled = enabled;
    if (documentWindow())
        documentWindow()->setHandsEnabled(enabled);
}

void RBDocument::setOrientationEnabled(bool enabled)
{
    m_orientationEnabled = enabled;
    if (documentWindow())
        documentWindow()->setOrientationEnabled(enabled);
}

void RBDocument::setDeviceScaleEnabled(bool enabled)
{
    m_deviceScaleEnabled = enabled;
    if (documentWindow())
        documentWindow()->setDeviceScaleEnabled(enabled);
}

void RBDocument::applyToolbarState()
{
    if (RBDocumentWindowInterface* window = documentWindow()) {
        window->setDevicePickerEnabled(m_devicePickerEnabled);
        window->setHandsEnabled(m_handsEnabled);
        window->setOrientationEnabled(m_orientationEnabled);
        window->setDeviceScaleEnabled(m_deviceScaleEnabled);
        if (m_selectedScaleEntry >= 0)
            window->selectDeviceScaleEntry(m_selectedScaleEntry);
    }
}

// ---------------------------------------------------------------- closing

void RBDocument::documentWillClose()
{
    cleanup();
    // A closed project is no longer served to the devices on the network, nor mounted again
    // when the server has to be restarted.
    if (isSaved())
        stopServing(projectPath());
    removeTemporaryFolder();
}

bool RBDocument::isOpenElsewhere(const QString& folder) const
{
    for (platform::Document* other : platform::DocumentController::sharedDocumentController().documents()) {
        if (other == this)
            continue;
        const auto* project = qobject_cast<const RBDocument*>(other);
        const QString path = project ? project->projectPath() : other->fileURL();
        if (!path.isEmpty() && ProjectFolder::isSameFolder(path, folder))
            return true;
    }
    return false;
}

void RBDocument::stopServing(const QString& folder)
{
    if (!m_services.server)
        return;
    // The server serves a folder once, whoever mounted it: another window on the same folder
    // still needs it.
    if (isOpenElsewhere(folder)) {
        platform::Log::info(kDomain, QStringLiteral("%1 stays served: another project is open from it").arg(folder));
        return;
    }
    m_services.server->unmount(folder, {});
}

void RBDocument::removeTemporaryFolder()
{
    if (m_temporaryPath.isEmpty())
        return;
    // Only the folder this run made for the project: <process folder>/<unique name>/<project>.
    const QString folder = QFileInfo(m_temporaryPath).path();
    if (QFileInfo(folder).path() != processTemporaryFolder())
        return;
    // A project that was saved there, or that is open from there in another window (the user
    // chose that place), stays.
    if (isSaved() && ProjectFolder::isSameOrInside(fileURL(), folder))
        return;
    for (platform::Document* other : platform::DocumentController::sharedDocumentController().documents()) {
        if (other != this && !other->fileURL().isEmpty() && ProjectFolder::isSameOrInside(other->fileURL(), folder)) {
            platform::Log::info(kDomain, QStringLiteral("The temporary folder %1 stays: %2 is open from it").arg(folder, other->fileURL()));
            return;
        }
    }
    // The window and the server may still use the folder: it goes once both have let go.
    TemporaryProjectRemoval::start(folder, m_temporaryPath, m_services.server, window());
}

void RBDocument::cleanup()
{
    if (m_cleanedUp)
        return;
    m_cleanedUp = true;
    m_keeper->stop();
    m_fileSystemEvents.stop();
    platform::cancelDebounce(this, QStringLiteral("reloadDocumentFromFileChange"));
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    if (m_observingConfig) {
        disconnect(&m_config, &ProjectConfig::valueChanged, this, &RBDocument::configValueChanged);
        m_observingConfig = false;
    }
}

// ---------------------------------------------------------------- library update

void RBDocument::updateZelvorLibrary()
{
    auto* sheet = new RBProgressWindowController(this);
    sheet->setMessage(QStringLiteral("Updating the Zelvor library of \u201C%1\u201D\u2026").arg(displayName()));
    m_progressWindowController = sheet;
    connect(sheet, &RBProgressWindowController::cancelled, this, [this, sheet] {
        if (m_progressWindowController == sheet)
            closeUpdateZelvorLibrarySheet();
        else
            sheet->close();
    });
    sheet->beginSheet(windowForSheet());

    const QString shipped = join(platform::Bundle::main().pathForResource(QStringLiteral("ZelvorTemplate")), QStringLiteral("zelvor"));
    auto* update = new LibraryUpdate(join(projectPath(), QStringLiteral("zelvor")), m_services.libraryServerURL, shipped, this);
    QPointer<RBDocument> self(this);
    update->start([self, sheet = QPointer<RBProgressWindowController>(sheet)](const LibraryUpdateOutcome& outcome) {
        if (sheet)
            sheet->close();
        if (!self)
            return;
        if (sheet) {
            if (self->m_progressWindowController == sheet)
                self->m_progressWindowController = nullptr;
            sheet->deleteLater();
        }
        using Result = LibraryUpdateOutcome::Result;
        platform::Alert alert;
        if (outcome.result == Result::Failed) {
            alert.setMessageText(QStringLiteral("The Zelvor library could not be updated."));
            alert.setInformativeText(outcome.error + QStringLiteral("\n\nThe project keeps the library it had."));
            alert.runModalSheetForWindow(self->windowForSheet());
            Q_EMIT self->zelvorLibraryUpdated(outcome.error);
            return;
        }
        const QString version = outcome.version.isEmpty() ? QString() : QStringLiteral(" (version %1)").arg(outcome.version);
        if (outcome.result == Result::UpToDate) {
            alert.setMessageText(QStringLiteral("The library is up to date."));
            alert.setInformativeText(
                QStringLiteral("\u201C%1\u201D already has the newest Zelvor library%2. Nothing was changed.").arg(self->displayName(), version));
            alert.runModalSheetForWindow(self->windowForSheet());
            Q_EMIT self->zelvorLibraryUpdated(QString());
            return;
        }
        self->reloadPreview();
        const QString device = self->m_config.stringValue(ProjectConfig::DeviceType);
        if (self->m_services.deviceCatalog && self->m_services.deviceCatalog->deviceCanBeMappedToNewDevice(device)
            && self->preview())
            self->preview()->updateDevice();
        alert.setMessageText(outcome.version.isEmpty() ? QStringLiteral("The Zelvor library was updated.")
                                                       : QStringLiteral("Updated to version %1.").arg(outcome.version));
        QString detail = QStringLiteral("The preview of \u201C%1\u201D now runs the new library.").arg(self->displayName());
        if (!outcome.keptCopies.isEmpty())
            detail += QStringLiteral(" The old files are kept in the project's \u201Czelvor\u201D folder as %1.")
                          .arg(QLocale().createSeparatedList(outcome.keptCopies));
        alert.setInformativeText(detail);
        alert.runModalSheetForWindow(self->windowForSheet());
        Q_EMIT self->zelvorLibraryUpdated(QString());
    });
}

void RBDocument::closeUpdateZelvorLibrarySheet()
{
    if (m_progressWindowController)
        m_progressWindowController->close();
}

void RBDocument::toggleInspector()
{
    if (RBDocumentPreview* target = preview())
        target->toggleInspector();
}
