#pragma once

#include "importers/RBExporterImportViewController.h"

// The Sketch pane: exports a ".sketch" document with the bundled Sketch exporter
// (run.py <design file> zelvor.js <output folder> <scale>, in its own folder).
class RBSketchImportViewController : public RBExporterImportViewController {
    Q_OBJECT
public:
    explicit RBSketchImportViewController(QWidget* parent = nullptr);
    Command exportCommand(const QString& outputFolder) const override;

protected:
    QString exporterFolder() const override { return QStringLiteral("zelvorsketch"); }
    QString statusForLine(const QString& line) const override;
    QString designFileFilter() const override;
};
