#include "document/window/RBDocumentToolbar.h"

#include <QAction>
#include <QPushButton>
#include <QToolButton>

RBDocumentToolbar::RBDocumentToolbar(QWidget* parent)
    : QToolBar(QStringLiteral("Toolbar"), parent)
{
    setObjectName(QStringLiteral("RBDocumentToolbar"));
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(kIconSize, kIconSize));
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    // The toolbar cannot be hidden from its context menu: the window has no other way to it.
    setContextMenuPolicy(Qt::PreventContextMenu);

    m_import = addItem(QStringLiteral("import"), QStringLiteral("Import"), QStringLiteral("Import layers from a Sketch, Photoshop or Figma design"));
    m_importAgain = addItem(QStringLiteral("importAgain"), QStringLiteral("Import Again"), QStringLiteral("Repeat the last import"));
    addSeparator();

    m_devicePicker = addItem(QStringLiteral("devicePicker"), QStringLiteral("Device"), QStringLiteral("Choose the device the preview shows"));
    m_devicePickerButton = buttonFor(m_devicePicker);
    m_orientation = addItem(QStringLiteral("orientation"), QStringLiteral("Rotate"), QStringLiteral("Rotate the device"));
    m_orientationButton = buttonFor(m_orientation);
    m_hand = addItem(QStringLiteral("hand"), QStringLiteral("Hand"), QStringLiteral("Show the next hand holding the device"));

    // Its menu is filled by the window's pop-up menu controller.
    m_deviceScale = new QPushButton(this);
    m_deviceScale->setObjectName(QStringLiteral("deviceScalePopUpButton"));
    m_deviceScale->setToolTip(QStringLiteral("Preview scale"));
    m_deviceScale->setFlat(true);
    m_deviceScaleItem = addWidget(m_deviceScale);
    m_deviceScaleItem->setObjectName(QStringLiteral("deviceScale"));
    addSeparator();

    m_refresh = addItem(QStringLiteral("refresh"), QStringLiteral("Refresh"), QStringLiteral("Load the preview again"));
    m_fullscreen = addItem(QStringLiteral("fullscreen"), QStringLiteral("Full Screen Preview"), QStringLiteral("Show the device alone on the whole screen (Esc returns)"));
    m_snippets = addItem(QStringLiteral("snippets"), QStringLiteral("Snippets"), QStringLiteral("Insert a snippet"));
    m_snippetButton = buttonFor(m_snippets);
    addSeparator();

    m_openUrl = addItem(QStringLiteral("openUrl"), QStringLiteral("Open in Browser"), QStringLiteral("Open the prototype in the web browser"));
    m_mirror = addItem(QStringLiteral("mirror"), QStringLiteral("Mirror"),
                       QStringLiteral("Show the prototype on a phone or tablet on the same network"));
    m_share = addItem(QStringLiteral("share"), QStringLiteral("Share"),
                      QStringLiteral("Upload the prototype and copy its public link"));
    addSeparator();

    m_serverLog = addItem(QStringLiteral("serverLog"), QStringLiteral("Server Log"), QStringLiteral("Show what the preview server printed"));
    m_console = addItem(QStringLiteral("console"), QStringLiteral("Console"), QStringLiteral("Open the preview's web inspector"));
    m_inspect = addItem(QStringLiteral("inspect"), QStringLiteral("Inspect"), QStringLiteral("Open the preview's web inspector"));
    m_docs = addItem(QStringLiteral("docs"), QStringLiteral("Docs"), QStringLiteral("Show the documentation of the prototyping library"));

    setOrientationButtonImage(QStringLiteral("icon-orientation-landscape"));
}

QAction* RBDocumentToolbar::addItem(const QString& name, const QString& title, const QString& toolTip)
{
    QAction* item = addAction(title);
    item->setObjectName(name);
    item->setToolTip(toolTip);
    return item;
}

QToolButton* RBDocumentToolbar::buttonFor(QAction* item) const
{
    return qobject_cast<QToolButton*>(widgetForAction(item));
}

void RBDocumentToolbar::setOrientationButtonImage(const QString& imageName)
{
    m_orientationImage = imageName;
    const bool toLandscape = imageName == QLatin1String("icon-orientation-landscape");
    m_orientation->setText(toLandscape ? QStringLiteral("Landscape") : QStringLiteral("Portrait"));
    m_orientation->setToolTip(toLandscape ? QStringLiteral("Turn the device to landscape")
                                          : QStringLiteral("Turn the device to portrait"));
}
