#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <memory>

class QPushButton;
class RBImportViewController;
class RBSketchImportViewController;
class RBPhotoshopImportViewController;
class RBFigmaImportViewController;
namespace platform { class UserDefaults; }

// The import sheet of one project: a stack of panes, one per design tool (Sketch, Figma,
// Photoshop from the bottom up), each pointed at the project's "imported" folder. It refreshes
// the panes whenever it is set up and whenever the user comes back to this application, repeats
// the last import on request and closes when the document says an import arrived.
class RBImportWindowController : public QDialog {
    Q_OBJECT
public:
    explicit RBImportWindowController(QWidget* parent = nullptr, platform::UserDefaults* defaults = nullptr);
    ~RBImportWindowController() override;

    QString outPath() const { return m_outPath; }
    void setOutPath(const QString& path) { m_outPath = path; }
    // The import help page (the Help button is hidden without one).
    void setHelpUrl(const QUrl& url);

    // Points the panes at outPath, registers for the application's activation (once) and
    // refreshes the panes. The document calls it before every showing.
    void setup();
    // Repeats the import of the pane that last succeeded, when it can run now.
    void importAgain();
    // Ends the sheet (or, shown on its own, closes it).
    void closeSheet();
    void showHelp();
    // The window this sheet is attached to, or null.
    QWidget* sheetParent() const;

    RBSketchImportViewController* sketchImportViewController() const { return m_sketch; }
    RBFigmaImportViewController* figmaImportViewController() const { return m_figma; }
    RBPhotoshopImportViewController* photoshopImportViewController() const { return m_photoshop; }
    QWidget* topView() const { return m_topView; }
    bool isObservingActivation() const { return m_observingActivation; }

private:
    void setupViews();
    void addViewController(RBImportViewController* pane);
    void resizeWindow();
    // Stacks the panes at their heights and sizes the window to them.
    void stackPanes();
    int extraRowHeight() const;
    void appDidBecomeActive(Qt::ApplicationState state);
    QList<RBImportViewController*> panes() const;

    platform::UserDefaults* m_defaults;
    QString m_outPath;
    QUrl m_helpUrl;
    QWidget* m_topView = nullptr;
    QWidget* m_bottomView = nullptr;
    QPushButton* m_helpButton = nullptr;
    RBSketchImportViewController* m_sketch = nullptr; // the panes are children of topView
    RBFigmaImportViewController* m_figma = nullptr;
    RBPhotoshopImportViewController* m_photoshop = nullptr;
    bool m_observingActivation = false;
    int m_stacked = 0;
    int m_extraBelow = 0; // how much taller than a plain row the panes stacked so far are
};
