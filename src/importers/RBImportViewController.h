#pragma once

#include "importers/DesignFileProbe.h"
#include "importers/ImportRules.h"
#include "platform/FileWatcher.h"

#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class CSSpinningProgressIndicator;
class QPushButton;
class CSTaskManager;
namespace platform { class UserDefaults; }

// One row of the import sheet: a design tool, the saved design file the user chose for it, the
// output scale, and a button that imports. While an import runs the row shows its progress.
// When an import has filled its folder the row posts "RBImportViewControllerSuccess" (object:
// the sheet) with the report's user info; a failed one posts "RBImportViewControllerFailure"
// with the same keys and "error", and keeps the project's earlier import.
//
// The "application" of a row is the design file: it counts as running while a chosen file is
// there, as of the right version when its format is recent enough, and as having a saved
// document when the file reads as one. The row refreshes when the file changes on disk.
class RBImportViewController : public QWidget {
    Q_OBJECT
public:
    struct DocumentInfo {
        QString name;
        QString path;
    };

    explicit RBImportViewController(QWidget* parent = nullptr);
    ~RBImportViewController() override;

    // --- configuration
    QString appIdentifier() const { return m_appIdentifier; }
    void setAppIdentifier(const QString& identifier) { m_appIdentifier = identifier; }
    QString appName() const { return m_appName; }
    void setAppName(const QString& name) { m_appName = name; }
    QString appMinimumVersion() const { return m_appMinimumVersion; }
    void setAppMinimumVersion(const QString& version) { m_appMinimumVersion = version; }
    QString iconImageName() const { return m_iconImageName; }
    void setIconImageName(const QString& name) { m_iconImageName = name; }
    QString iconImageNameInactive() const { return m_iconImageNameInactive; }
    void setIconImageNameInactive(const QString& name) { m_iconImageNameInactive = name; }
    QString importPath() const { return m_importPath; }
    void setImportPath(const QString& path) { m_importPath = path; }
    // The sheet: the object of the notifications.
    QObject* windowController() const { return m_windowController; }
    void setWindowController(QObject* controller) { m_windowController = controller; }
    // Reads the chosen design file (none: the pane has no file of its own).
    void setProbe(std::shared_ptr<DesignFileProbe> probe) { m_probe = std::move(probe); }
    // The store of the remembered scales and files (the user's defaults unless set).
    void setDefaults(platform::UserDefaults* defaults) { m_defaults = defaults; }
    platform::UserDefaults& defaults() const;

    // --- state
    // The pane can import now (a readable design file of a recent enough format).
    bool isImportEnabled() const { return m_isEnabled; }
    virtual bool appIsRunning() const { return m_appIsRunning; }
    virtual bool appHasRightVersion() const { return m_appHasRightVersion; }
    virtual bool appHasSavedDocument() const { return m_appHasSavedDocument; }
    virtual QString documentName() const { return m_documentName; }
    QString documentPath() const { return m_documentPath; }
    double scale() const { return m_scale; }
    bool isImporting() const { return m_importing; }

    // --- the design file
    QString designFilePath() const;
    // Remembers the file for this pane and refreshes the row.
    void setDesignFilePath(const QString& path);
    // Asks the user for a design file.
    void chooseDesignFile();
    // Answers the file chooser in place of the user (tests).
    using Chooser = std::function<QString(const RBImportViewController&)>;
    static void setChooserForTests(Chooser chooser);

    // --- the row
    void setup();
    void setupScalePopUpButton();
    void setScaleSelection(double scale);
    void updateStatus();
    void changeScale(int index);
    void showProgress(bool show);
    void setProgressStatus(const QString& text);
    QString progressStatus() const;
    void notifySuccessWithPath(const QString& folder, const QString& output);
    void notifyFailure(const QString& folder, const QString& reason);

    virtual void start();
    virtual std::optional<DocumentInfo> documentInfo();
    virtual bool supportsScale() const { return true; }

    // The row's widgets, as the user sees them.
    QPushButton* runButton() const { return m_runButton; }
    QPushButton* chooseButton() const { return m_chooseButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    QComboBox* scalePopUpButton() const { return m_scalePopUpButton; }
    QLabel* titleTextField() const { return m_titleTextField; }
    QLabel* subTitleTextField() const { return m_subTitleTextField; }
    QWidget* importView() const { return m_importView; }
    QWidget* progressView() const { return m_progressView; }
    QString shownIconName() const { return m_shownIconName; }

    // The least height of a row; a row whose subtitle needs more lines grows.
    static constexpr int kRowHeight = 56;

Q_SIGNALS:
    // The row changed its height to show its subtitle whole.
    void rowHeightChanged();

protected:
    // What the chooser offers ("Sketch documents (*.sketch)").
    virtual QString designFileFilter() const { return QString(); }
    // The subtitle while no file is chosen.
    virtual QString notRunningText() const;
    // Stops the running import, if any (the row's Cancel button).
    virtual void cancel() {}
    void setImporting(bool importing) { m_importing = importing; }
    void setDocumentPath(const QString& path) { m_documentPath = path; }
    QVariantMap reportUserInfo(const QString& folder, const QString& output) const;

    // A file's name as the subtitle shows it: shortened in the middle with "…" when it is
    // wider than the subtitle's line.
    QString shownFileName(const QString& name) const;

private:
    void buildViews();
    void watchDesignFile();
    int subtitleWidth() const;
    void fitRowHeight();

    QString m_appIdentifier;
    QString m_appName;
    QString m_appMinimumVersion;
    QString m_iconImageName;
    QString m_iconImageNameInactive;
    QString m_importPath;
    QPointer<QObject> m_windowController;
    std::shared_ptr<DesignFileProbe> m_probe;
    platform::UserDefaults* m_defaults = nullptr;

    bool m_isEnabled = false;
    bool m_appIsRunning = false;
    bool m_appHasRightVersion = false;
    bool m_appHasSavedDocument = false;
    bool m_importing = false;
    QString m_documentName;
    QString m_documentPath;
    DesignFileInfo m_fileInfo;
    double m_scale = 1;
    QString m_shownIconName;

    QLabel* m_productImageView = nullptr;
    QLabel* m_progressProductImageView = nullptr;
    QComboBox* m_scalePopUpButton = nullptr;
    QPushButton* m_runButton = nullptr;
    QPushButton* m_chooseButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QLabel* m_titleTextField = nullptr;
    QLabel* m_subTitleTextField = nullptr;
    QWidget* m_importView = nullptr;
    QWidget* m_progressView = nullptr;
    CSSpinningProgressIndicator* m_progressIndicator = nullptr;
    QLabel* m_progressStatusTextField = nullptr;
    platform::FileWatcher m_watcher;
};
