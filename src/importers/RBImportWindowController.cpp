#include "importers/RBImportWindowController.h"

#include "importers/DiskDesignFileProbe.h"
#include "importers/ImportRules.h"
#include "importers/ImportSheetBottomBar.h"
#include "importers/RBFigmaImportViewController.h"
#include "importers/RBPhotoshopImportViewController.h"
#include "importers/RBSketchImportViewController.h"
#include "platform/UserDefaults.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>

namespace {
// The sheet's size rule leaves this much above the rows; shown, it was an empty grey strip over
// the first row, so the rows start at the top and the sheet is that much lower.
constexpr int kUnusedTopStrip = 12;
constexpr int kBottomBarHeight = 58;

void configure(RBImportViewController& pane, const QString& identifier, const QString& name, const QString& minimum,
               const QString& icon, RBImportWindowController* sheet, platform::UserDefaults* defaults)
{
    pane.setAppIdentifier(identifier);
    pane.setAppName(name);
    pane.setAppMinimumVersion(minimum);
    pane.setIconImageName(icon + QStringLiteral("-active"));
    pane.setIconImageNameInactive(icon + QStringLiteral("-inactive"));
    pane.setWindowController(sheet);
    pane.setDefaults(defaults);
}
} // namespace

RBImportWindowController::RBImportWindowController(QWidget* parent, platform::UserDefaults* defaults)
    : QDialog(parent, Qt::Sheet)
    , m_defaults(defaults)
{
    setObjectName(QStringLiteral("RBImportWindowController"));
    setWindowTitle(QStringLiteral("Import"));
    setWindowModality(Qt::WindowModal);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0xEC, 0xEC, 0xEC));
    setPalette(palette);

    m_topView = new QWidget(this);
    m_topView->setObjectName(QStringLiteral("topView"));
    m_bottomView = new ImportSheetBottomBar(this);
    m_bottomView->setObjectName(QStringLiteral("bottomView"));
    auto* bar = new QHBoxLayout(m_bottomView);
    bar->setContentsMargins(14, 12, 14, 12);
    m_helpButton = new QPushButton(QStringLiteral("Help"), m_bottomView);
    m_helpButton->setObjectName(QStringLiteral("help"));
    m_helpButton->setToolTip(QStringLiteral("How importing works"));
    m_helpButton->setVisible(false);
    connect(m_helpButton, &QPushButton::clicked, this, [this] { showHelp(); });
    bar->addWidget(m_helpButton);
    bar->addStretch();
    auto* done = new QPushButton(QStringLiteral("Close"), m_bottomView);
    done->setObjectName(QStringLiteral("close"));
    done->setDefault(true);
    connect(done, &QPushButton::clicked, this, [this] { closeSheet(); });
    bar->addWidget(done);

    // The Sketch Beta pane of other systems has nothing of its own here: a design file is
    // chosen the same way whichever version saved it.
    m_sketch = new RBSketchImportViewController(m_topView);
    configure(*m_sketch, QStringLiteral("com.bohemiancoding.sketch3"), QStringLiteral("Sketch"), QStringLiteral("43"),
              QStringLiteral("icon-sketch"), this, defaults);
    m_sketch->setProbe(std::make_shared<DiskDesignFileProbe>(DiskDesignFileProbe::Kind::Sketch));
    m_figma = new RBFigmaImportViewController(m_topView);
    m_figma->setWindowController(this);
    m_figma->setDefaults(defaults);
    m_photoshop = new RBPhotoshopImportViewController(m_topView);
    configure(*m_photoshop, QStringLiteral("com.adobe.Photoshop"), QStringLiteral("Photoshop"), QStringLiteral("1"),
              QStringLiteral("icon-photoshop"), this, defaults);
    m_photoshop->setProbe(std::make_shared<DiskDesignFileProbe>(DiskDesignFileProbe::Kind::Photoshop));

    for (RBImportViewController* pane : panes())
        connect(pane, &RBImportViewController::rowHeightChanged, this, [this] { stackPanes(); });
    setupViews();
    resizeWindow();
}

RBImportWindowController::~RBImportWindowController()
{
    if (m_observingActivation)
        disconnect(qGuiApp, &QGuiApplication::applicationStateChanged, this, &RBImportWindowController::appDidBecomeActive);
}

QList<RBImportViewController*> RBImportWindowController::panes() const
{
    return {m_sketch, m_figma, m_photoshop};
}

void RBImportWindowController::setHelpUrl(const QUrl& url)
{
    m_helpUrl = url;
    m_helpButton->setVisible(url.isValid() && !url.isEmpty());
}

void RBImportWindowController::setup()
{
    for (RBImportViewController* pane : panes())
        pane->setImportPath(m_outPath);
    // Registered once however often the sheet is set up.
    if (!m_observingActivation) {
        connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, &RBImportWindowController::appDidBecomeActive);
        m_observingActivation = true;
    }
    setupViews();
}

void RBImportWindowController::setupViews()
{
    for (RBImportViewController* pane : panes())
        if (!pane->isImporting())
            pane->setup();
    for (RBImportViewController* pane : panes())
        if (!pane->isImporting())
            pane->updateStatus();
    stackPanes();
}

int RBImportWindowController::extraRowHeight() const
{
    int extra = 0;
    for (RBImportViewController* pane : panes())
        extra += pane->height() - RBImportViewController::kRowHeight;
    return extra;
}

void RBImportWindowController::stackPanes()
{
    m_stacked = 0;
    m_extraBelow = 0;
    for (RBImportViewController* pane : panes())
        addViewController(pane);
    resizeWindow();
}

void RBImportWindowController::addViewController(RBImportViewController* pane)
{
    // The first pane stands at the bottom of the stack; a row taller than the others (a reason
    // on more lines) moves the rows above it up.
    const int count = int(panes().size());
    const int stackHeight = importers::kPaneSpacing * count + extraRowHeight();
    const int height = pane->height();
    const int y = stackHeight - importers::paneOriginY(m_stacked) - m_extraBelow - height;
    pane->setGeometry(0, y, importers::kSheetWidth, height);
    pane->show();
    ++m_stacked;
    m_extraBelow += height - RBImportViewController::kRowHeight;
}

void RBImportWindowController::resizeWindow()
{
    // Qt sizes the window's contents, without a title bar, so the one-time correction for a
    // title bar does not apply.
    const int extra = extraRowHeight();
    const QSize size = importers::sheetSize(int(panes().size()), false) + QSize(0, extra - kUnusedTopStrip);
    const int stackHeight = importers::kPaneSpacing * int(panes().size()) + extra;
    m_topView->setGeometry(0, 0, size.width(), stackHeight);
    m_bottomView->setGeometry(0, size.height() - kBottomBarHeight, size.width(), kBottomBarHeight);
    setFixedSize(size);
    if (QWidget* parent = sheetParent()) {
        // Under the parent's toolbar, centred over it.
        const QRect frame = parent->geometry();
        move(frame.x() + (frame.width() - size.width()) / 2, frame.y() + 69);
    }
}

QWidget* RBImportWindowController::sheetParent() const
{
    QWidget* parent = parentWidget();
    return parent ? parent->window() : nullptr;
}

void RBImportWindowController::appDidBecomeActive(Qt::ApplicationState state)
{
    if (state == Qt::ApplicationActive && isVisible())
        setupViews();
}

void RBImportWindowController::importAgain()
{
    platform::UserDefaults& defaults = m_defaults ? *m_defaults : platform::UserDefaults::standard();
    const QString last = defaults.stringForKey(QString::fromLatin1(importers::kLastImportKey));
    if (last.isEmpty())
        return;
    // Web imports need the user's pick every time: only the file-based panes repeat.
    for (RBImportViewController* pane : {static_cast<RBImportViewController*>(m_sketch), static_cast<RBImportViewController*>(m_photoshop)}) {
        if (pane->appIdentifier() != last)
            continue;
        pane->setup();
        pane->updateStatus();
        if (pane->isImportEnabled())
            pane->start();
    }
}

void RBImportWindowController::closeSheet()
{
    if (m_observingActivation) {
        disconnect(qGuiApp, &QGuiApplication::applicationStateChanged, this, &RBImportWindowController::appDidBecomeActive);
        m_observingActivation = false;
    }
    done(QDialog::Accepted);
}

void RBImportWindowController::showHelp()
{
    if (m_helpUrl.isValid())
        QDesktopServices::openUrl(m_helpUrl);
}
