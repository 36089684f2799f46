#pragma once

#include <QDialog>
#include <QUrl>

class FIGImportViewController;

// The Figma sheet: a window-modal sheet over the import sheet that holds the Figma pages. Its
// close button, like Escape, ends it without importing.
class RBFigmaImportSheetWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSide = 500;

    RBFigmaImportSheetWindow(const QUrl& service, QWidget* parent);
    ~RBFigmaImportSheetWindow() override;

    FIGImportViewController* contentController() const { return m_content; }

private:
    FIGImportViewController* m_content;
};
