#pragma once

#include "importers/ImportStaging.h"
#include "importers/RBImportViewController.h"

#include <QStringList>

#include <memory>
#include <optional>

class CSTaskManager;

// A pane whose import runs one of the application's exporter programs on the chosen design
// file. The exporter writes into a fresh folder; only when it ends with status 0, having
// written "layers.json" and "layers.json.js", does that folder replace the project's earlier
// import of the design. Otherwise the last line the exporter printed on its error stream is
// the reason given to the user.
class RBExporterImportViewController : public RBImportViewController {
    Q_OBJECT
public:
    struct Command {
        QString program;
        QStringList arguments;
        QString workingDirectory; // empty: the application's
    };

    explicit RBExporterImportViewController(QWidget* parent = nullptr);
    ~RBExporterImportViewController() override;

    // The exporter script to run in place of the bundled one (tests, development).
    void setExporterScript(const QString& path) { m_exporterScript = path; }
    QString exporterScript() const;
    CSTaskManager* taskManager() const { return m_taskManager.get(); }

    void start() override;
    // The exporter's command for the design file, writing into the output folder.
    virtual Command exportCommand(const QString& outputFolder) const = 0;

protected:
    // The bundled exporter: the resource folder and script name.
    virtual QString exporterFolder() const = 0;
    // What the progress line shows for one output line of the exporter.
    virtual QString statusForLine(const QString& line) const { return line; }
    void cancel() override;

private:
    void finish(int status);

    QString m_exporterScript;
    std::unique_ptr<CSTaskManager> m_taskManager;
    std::optional<importers::ImportStaging> m_staging;
    QString m_folderName;
    QString m_lastErrorLine;
    bool m_cancelled = false;
};
