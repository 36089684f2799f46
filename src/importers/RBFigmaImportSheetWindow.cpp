#include "importers/RBFigmaImportSheetWindow.h"

#include "importers/FIGImportViewController.h"

#include <QPushButton>
#include <QVBoxLayout>

RBFigmaImportSheetWindow::RBFigmaImportSheetWindow(const QUrl& service, QWidget* parent)
    : QDialog(parent, Qt::Sheet)
    , m_content(new FIGImportViewController(service, this))
{
    setObjectName(QStringLiteral("RBFigmaImportSheetWindow"));
    setWindowTitle(QStringLiteral("Import from Figma"));
    setWindowModality(Qt::WindowModal);
    resize(kSide, kSide);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_content);
    connect(m_content->closeButton(), &QPushButton::clicked, this, &QDialog::reject);
}

RBFigmaImportSheetWindow::~RBFigmaImportSheetWindow() = default;
