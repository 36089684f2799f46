#include "importers/RBSketchImportViewController.h"

#include "importers/ImportRules.h"
#include "platform/Task.h"

#include <QFileInfo>

RBSketchImportViewController::RBSketchImportViewController(QWidget* parent)
    : RBExporterImportViewController(parent)
{
    setObjectName(QStringLiteral("RBSketchImportViewController"));
}

RBExporterImportViewController::Command RBSketchImportViewController::exportCommand(const QString& outputFolder) const
{
    const QString script = exporterScript();
    return {platform::Task::pythonPath(),
            {script, designFilePath(), QStringLiteral("zelvor.js"), outputFolder, importers::scaleText(scale())},
            QFileInfo(script).path()};
}

QString RBSketchImportViewController::statusForLine(const QString& line) const
{
    // The exporter names its scratch folder when it is done with it: nothing the user needs.
    return line.startsWith(QLatin1String("TEMP_DIR")) ? QStringLiteral("Succes…") : line;
}

QString RBSketchImportViewController::designFileFilter() const
{
    return QStringLiteral("Sketch documents (*.sketch)");
}
