#pragma once

#include "importers/RBExporterImportViewController.h"

// The Photoshop pane: exports a ".psd" (or ".psb") document with the bundled Photoshop exporter
// (run.py -o <output folder> [--scale S] <design file>).
class RBPhotoshopImportViewController : public RBExporterImportViewController {
    Q_OBJECT
public:
    explicit RBPhotoshopImportViewController(QWidget* parent = nullptr);
    Command exportCommand(const QString& outputFolder) const override;

protected:
    QString exporterFolder() const override { return QStringLiteral("zelvorps"); }
    QString designFileFilter() const override;
};
