#include "importers/RBPhotoshopImportViewController.h"

#include "importers/ImportRules.h"
#include "platform/Task.h"

RBPhotoshopImportViewController::RBPhotoshopImportViewController(QWidget* parent)
    : RBExporterImportViewController(parent)
{
    setObjectName(QStringLiteral("RBPhotoshopImportViewController"));
}

RBExporterImportViewController::Command RBPhotoshopImportViewController::exportCommand(const QString& outputFolder) const
{
    QStringList arguments{exporterScript(), QStringLiteral("-o"), outputFolder};
    if (scale() != 1)
        arguments << QStringLiteral("--scale") << importers::scaleText(scale());
    arguments << designFilePath();
    return {platform::Task::pythonPath(), arguments, QString()};
}

QString RBPhotoshopImportViewController::designFileFilter() const
{
    return QStringLiteral("Photoshop documents (*.psd *.psb)");
}
