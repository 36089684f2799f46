#pragma once

#include "document/RBDeviceCatalog.h"
#include "document/RBDocumentPreview.h"
#include "document/RBDocumentServer.h"
#include "document/RBDocumentServices.h"
#include "document/RBDocumentWindowInterface.h"
#include "editor/RBDocumentEditor.h"
#include "editor/RBEditorDocument.h"
#include "messages/ProjectConfig.h"
#include "platform/AttachedInterface.h"
#include "platform/FileWatcher.h"
#include "platform/Timer.h"
#include "platform/gui/Document.h"

#include <QJsonObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class DocumentImports;
class RBProgressWindowController;
class UnsavedProgramKeeper;

// One open project folder ("*.zelvor"): reads it, merges the template into it, saves it by
// hand, keeps unsaved edits of the program on disk within seconds (UnsavedProgramKeeper),
// follows outside edits of "app.coffee",
// keeps it mounted on the local preview server and holds its settings. The editor, the preview
// and the window are attached by the window builder; until they are, the document works
// without them.
class RBDocument : public platform::Document, public RBEditorDocument {
    Q_OBJECT
public:
    explicit RBDocument(RBDocumentServices services = {}, QObject* parent = nullptr);
    ~RBDocument() override;

    // A new untitled project made from a template folder (the welcome window's examples),
    // shown and added to the shared document controller.
    static RBDocument* newDocumentWithTemplatePath(const QString& templatePath);

    // --- the project folder
    QString projectPath() const override;
    bool isSaved() const { return !fileURL().isEmpty(); }
    QString temporaryPath() const { return m_temporaryPath; }
    QString templatePath() const { return m_templatePath; }
    void setTemplatePath(const QString& path) { m_templatePath = path; }
    bool updatingFramework() const { return m_updatingFramework; }
    void setUpdatingFramework(bool updating) { m_updatingFramework = updating; }
    bool isSaving() const { return m_isSaving; }
    std::optional<QString> contentToLoad() const { return m_contentToLoad; }
    QString lastBackupContent() const;
    QString serverLocalUrl() const { return m_serverLocalUrl; }

    // Makes or completes a project folder; failures are logged ("createProjectAtPath.error: ...")
    // and answered.
    bool createProjectAtPath(const QString& path, const std::optional<QString>& content, QStringList* errors = nullptr);
    void copyFilesFrom(const QString& source, const QString& target, bool recursive, bool replace);
    void addRandomTouchIconToProject(const QString& path);
    // Moves the item to the Trash; answers whether it is gone.
    bool recycleFileAtPath(const QString& path);

    // --- the format version
    static int documentCurrentVersion();
    QString documentVersionInfoPath() const;
    int documentVersion() const;
    void writeDocumentVersion();
    void checkDocumentVersion();
    // The program as the editor holds it now (as read at opening without an editor).
    std::optional<QString> currentProgram() const;
    // Puts a recovered program in place of the present one, as an unsaved change.
    void restoreProgram(const QString& text);
    // Offers the edits of a run that ended before they were saved (a newer backup that differs
    // from the program), once the window is up.
    void offerUnsavedBackup();
    void presentDocumentVersionUpgrade();
    void upgradeDocument();

    // --- attached controllers (non-owning; each reads as null once destroyed)
    template <class Editor> void attachEditor(Editor* editor) { m_editor.attach(editor); }
    template <class Preview> void attachPreview(Preview* preview) { m_preview.attach(preview); }
    template <class Window> void attachWindow(Window* window)
    {
        m_window.attach(window);
        setWindow(window->window());
        applyToolbarState();
    }
    RBDocumentEditor* editor() const { return m_editor.get(); }
    RBDocumentPreview* preview() const { return m_preview.get(); }
    RBDocumentWindowInterface* documentWindow() const { return m_window.get(); }
    RBSplitView* splitView() const { return documentWindow() ? documentWindow()->splitView() : nullptr; }
    RBSplitView* codeEditSplitView() const { return documentWindow() ? documentWindow()->codeEditSplitView() : nullptr; }
    const RBDocumentServices& services() const { return m_services; }

    // --- opening, window set-up, saving
    bool readFromURL(const QString& path, const QString& type, QString* error) override;
    void makeWindowControllers() override { setup(); }
    void setup();
    // Edited, or an untitled project that was ever changed or was given files (pictures,
    // modules, imports): an untitled project nobody touched holds nothing to lose.
    bool hasUnsavedWork() const override;
    // After "Don't Save" this run's backup of the discarded edits is not offered again.
    bool canCloseDocument() override;
    bool saveDocument() override;
    bool saveDocumentAs() override;
    // Saves in place, or through the save panel with `sheet`; `success` runs after a save
    // through the panel. Answers whether the project was saved.
    bool saveDocumentWithSheet(bool sheet, const std::function<void()>& success = {});
    void reloadPreview();

    // --- imports from design tools (the toolbar's Import and Import Again)
    DocumentImports& imports() { return *m_imports; }
    void toolbarImport();
    void toolbarImportAgain();
    // --- the project's copy of the prototyping library
    // Replaces "zelvor/zelvor.js" and its map with the newest build (the services' build
    // server, else the library this application ships) under a progress sheet, keeping the
    // old files as numbered ".old" copies, then reloads the preview. A failure leaves the
    // library as it was and says why.
    void updateZelvorLibrary();
    // Hides the sheet; the update still finishes and reloads the preview.
    void closeUpdateZelvorLibrarySheet();

    // --- backups (of a saved project; an untitled one keeps its program in its folder)
    // Takes the editor's text now and writes it on the backup queue.
    void makeBackupInBackground();
    // Writes the backup at once (on the calling thread).
    void makeBackup();
    // Waits for backups queued so far.
    void waitForBackups();

    // --- outside changes
    void setupFileListener();
    void reloadDocumentFromFileChange();
    bool isWatchingFiles() const { return !m_fileSystemEvents.paths().isEmpty(); }

    // --- the local server
    void updateServerMount();
    QString serverUrl() const;

    // --- settings
    ProjectConfig& config() override { return m_config; }
    const ProjectConfig& config() const { return m_config; }
    QJsonObject configDefaults() const { return m_configDefaults; }
    QString configPath() const;
    void loadConfig();
    bool saveConfig(QString* error = nullptr);
    void setupDeviceScalePopup();
    void orientationButtonPressed();
    void handButtonPressed();
    void setDevicePickerEnabled(bool enabled);
    void setHandsEnabled(bool enabled);
    void setOrientationEnabled(bool enabled);
    bool isOrientationEnabled() const { return m_orientationEnabled; }
    bool isHandsEnabled() const { return m_handsEnabled; }
    bool isDeviceScaleEnabled() const { return m_deviceScaleEnabled; }
    bool isDevicePickerEnabled() const { return m_devicePickerEnabled; }
    // The pop-up entry shown for the current "deviceScale" (DeviceScaleMenu).
    int selectedDeviceScaleEntry() const { return m_selectedScaleEntry; }

    void cleanup();

    // Tells the user on the editor bar about something of the project that is not used as it
    // stands (a file that is a link out of the project, a settings file that is not JSON); said
    // once the editor is there.
    void showProjectNotice(const QString& message);

    // --- what the editor needs
    QObject* documentObject() override { return this; }
    void programEdited(bool stillModified) override;
    void toggleInspector() override;

Q_SIGNALS:
    // After each save in place: whether the document had changes before it, and the size of
    // "app.coffee" in bytes (usage analytics listen).
    void documentSaved(bool afterEdit, qint64 programSize);
    // A library update has finished: `error` is empty when the library was replaced.
    void zelvorLibraryUpdated(const QString& error);

protected:
    void documentWillClose() override;

private:
    QString templateFolder() const;
    QString programPath() const;
    void configValueChanged(const QString& key, const QJsonValue& value);
    // Whether another open project works in the folder.
    bool isOpenElsewhere(const QString& folder) const;
    // Asks the server to stop serving a folder this project has left, unless another open
    // project works in it.
    void stopServing(const QString& folder);
    // Removes the temporary folder of a project that was made untitled, once it is closed.
    void removeTemporaryFolder();
    void selectDeviceScaleEntry(int index);
    void postProjectNotices();
    void applyToolbarState();
    void setDeviceScaleEnabled(bool enabled);
    bool saveInPlace();
    // Save As and the first save: the panel, the copy into place, then the commit (or the
    // return to where the project was).
    bool saveThroughPanel(const std::function<void()>& success);
    QString chooseSaveTarget(const QString& ownPath);
    // Makes room at `target` and copies the project there; answers why it failed, or "".
    QString copyIntoPlace(const QString& target, const QString& ownPath, const QString& wasUnsaved);
    bool commitSaveAt(const QString& target, const QString& ownPath, const QString& wasUnsaved);
    // A save through the panel ends without saving (cancelled or failed before writing).
    void endUnsavedSave();
    void alertSaveFailure(const QStringList& reasons);
    bool keepUnreadableProgram();
    // Tells the user that the program on disk was not read as it is.
    void alertUnreadableProgram();
    // Asks whether an outside change of the program may replace unsaved edits.
    bool askToLoadOutsideChange();

    RBDocumentServices m_services;
    std::unique_ptr<DocumentImports> m_imports;
    QPointer<RBProgressWindowController> m_progressWindowController;
    platform::AttachedInterface<RBDocumentEditor> m_editor;
    platform::AttachedInterface<RBDocumentPreview> m_preview;
    platform::AttachedInterface<RBDocumentWindowInterface> m_window;

    QString m_temporaryPath;
    bool m_everEdited = false;
    QString m_templatePath;
    std::optional<QString> m_contentToLoad;
    QString m_serverLocalUrl;
    bool m_isSaving = false;
    bool m_updatingFramework = false;
    bool m_cleanedUp = false;
    bool m_setUp = false;
    bool m_programUnreadable = false;
    bool m_programNotText = false;
    bool m_askingAboutOutsideChange = false;
    bool m_changedWhileSaving = false;

    QStringList m_projectNotices; // waiting for the editor
    QJsonObject m_configDefaults;
    ProjectConfig m_config;
    bool m_observingConfig = false;
    int m_selectedScaleEntry = -1;
    bool m_orientationEnabled = true;
    bool m_handsEnabled = true;
    bool m_deviceScaleEnabled = true;
    bool m_devicePickerEnabled = true;

    std::unique_ptr<UnsavedProgramKeeper> m_keeper;
    platform::FileWatcher m_fileSystemEvents;
};
