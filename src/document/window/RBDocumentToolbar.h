#pragma once

#include <QToolBar>

class QAction;
class QPushButton;
class QToolButton;

// The document window's toolbar: importing, the device controls (picker, orientation, hand,
// scale), refresh, full screen, snippets, the browser and sharing items, the server log, the
// inspector and the documentation. It stays at its small size; each item only sends its
// action, which the document's toolbar actions carry out.
class RBDocumentToolbar : public QToolBar {
    Q_OBJECT
public:
    explicit RBDocumentToolbar(QWidget* parent = nullptr);

    static constexpr int kIconSize = 16;

    QAction* importItem() const { return m_import; }
    QAction* importAgainItem() const { return m_importAgain; }
    QAction* devicePickerItem() const { return m_devicePicker; }
    QToolButton* devicePickerButton() const { return m_devicePickerButton; }
    QAction* deviceOrientationToolbarItem() const { return m_orientation; }
    QToolButton* orientationButton() const { return m_orientationButton; }
    QAction* deviceHandToolbarItem() const { return m_hand; }
    QAction* deviceScaleToolbarItem() const { return m_deviceScaleItem; }
    QPushButton* deviceScalePopUpButton() const { return m_deviceScale; }
    QAction* refreshItem() const { return m_refresh; }
    QAction* fullscreenItem() const { return m_fullscreen; }
    QAction* snippetItem() const { return m_snippets; }
    QToolButton* snippetButton() const { return m_snippetButton; }
    QAction* openUrlItem() const { return m_openUrl; }
    QAction* mirrorItem() const { return m_mirror; }
    QAction* shareItem() const { return m_share; }
    QAction* serverLogItem() const { return m_serverLog; }
    QAction* consoleItem() const { return m_console; }
    QAction* inspectItem() const { return m_inspect; }
    QAction* docsItem() const { return m_docs; }

    // The orientation button shows the orientation it would switch to.
    void setOrientationButtonImage(const QString& imageName);
    QString orientationButtonImage() const { return m_orientationImage; }

private:
    QAction* addItem(const QString& name, const QString& title, const QString& toolTip);
    QToolButton* buttonFor(QAction* item) const;

    QAction* m_import;
    QAction* m_importAgain;
    QAction* m_devicePicker;
    QToolButton* m_devicePickerButton;
    QAction* m_orientation;
    QToolButton* m_orientationButton;
    QAction* m_hand;
    QPushButton* m_deviceScale;
    QAction* m_deviceScaleItem;
    QAction* m_refresh;
    QAction* m_fullscreen;
    QAction* m_snippets;
    QToolButton* m_snippetButton;
    QAction* m_openUrl;
    QAction* m_mirror;
    QAction* m_share;
    QAction* m_serverLog;
    QAction* m_console;
    QAction* m_inspect;
    QAction* m_docs;
    QString m_orientationImage;
};
