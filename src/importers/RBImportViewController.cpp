#include "importers/RBImportViewController.h"

#include "importers/ImporterDefaults.h"
#include "importers/ImporterImages.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/gui/CSSpinningProgressIndicator.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace {
const QString kDomain = QStringLiteral("Importer");
constexpr int kIconPoints = 36;

RBImportViewController::Chooser& testChooser()
{
    static RBImportViewController::Chooser chooser;
    return chooser;
}

void setAlpha(QLabel* label, double alpha)
{
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(label->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(label);
        label->setGraphicsEffect(effect);
    }
    effect->setOpacity(alpha);
}
} // namespace

RBImportViewController::RBImportViewController(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("RBImportViewController"));
    buildViews();
    showProgress(false);
}

RBImportViewController::~RBImportViewController() = default;

void RBImportViewController::buildViews()
{
    resize(importers::kSheetWidth, kRowHeight);
    setFixedHeight(kRowHeight);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, QColor(0x22, 0x22, 0x22));
    setPalette(palette);
    auto* stack = new QStackedLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);

    m_importView = new QWidget(this);
    auto* row = new QHBoxLayout(m_importView);
    row->setContentsMargins(12, 6, 10, 6);
    row->setSpacing(6);
    m_productImageView = new QLabel(m_importView);
    m_productImageView->setFixedSize(kIconPoints, kIconPoints);
    row->addWidget(m_productImageView);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    m_titleTextField = new QLabel(m_importView);
    m_titleTextField->setObjectName(QStringLiteral("title"));
    QFont bold = m_titleTextField->font();
    bold.setBold(true);
    m_titleTextField->setFont(bold);
    m_subTitleTextField = new QLabel(m_importView);
    m_subTitleTextField->setObjectName(QStringLiteral("subtitle"));
    m_subTitleTextField->setTextFormat(Qt::PlainText);
    m_subTitleTextField->setMinimumWidth(60);
    m_subTitleTextField->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // A reason is shown whole: it wraps, and the row grows to hold it.
    m_subTitleTextField->setWordWrap(true);
    texts->addStretch();
    texts->addWidget(m_titleTextField);
    texts->addWidget(m_subTitleTextField);
    texts->addStretch();
    row->addLayout(texts, 1);
    m_chooseButton = new QPushButton(QStringLiteral("Choose…"), m_importView);
    m_chooseButton->setObjectName(QStringLiteral("choose"));
    m_chooseButton->setToolTip(QStringLiteral("Choose the saved design file to import from"));
    connect(m_chooseButton, &QPushButton::clicked, this, [this] { chooseDesignFile(); });
    row->addWidget(m_chooseButton);
    m_scalePopUpButton = new QComboBox(m_importView);
    m_scalePopUpButton->setObjectName(QStringLiteral("scale"));
    m_scalePopUpButton->setToolTip(QStringLiteral("The scale of the imported images"));
    connect(m_scalePopUpButton, &QComboBox::activated, this, [this](int index) { changeScale(index); });
    row->addWidget(m_scalePopUpButton);
    m_runButton = new QPushButton(QStringLiteral("Import"), m_importView);
    m_runButton->setObjectName(QStringLiteral("run"));
    // The row is narrow: buttons as wide as their titles leave the room to the document's name.
    for (QPushButton* button : {m_chooseButton, m_runButton})
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(button->text()) + 24);
    connect(m_runButton, &QPushButton::clicked, this, [this] { start(); });
    row->addWidget(m_runButton);
    stack->addWidget(m_importView);

    m_progressView = new QWidget(this);
    auto* progress = new QHBoxLayout(m_progressView);
    progress->setContentsMargins(14, 6, 12, 6);
    progress->setSpacing(10);
    m_progressProductImageView = new QLabel(m_progressView);
    m_progressProductImageView->setFixedSize(kIconPoints, kIconPoints);
    progress->addWidget(m_progressProductImageView);
    auto* status = new QVBoxLayout;
    m_progressStatusTextField = new QLabel(m_progressView);
    m_progressStatusTextField->setObjectName(QStringLiteral("progressStatus"));
    m_progressStatusTextField->setTextFormat(Qt::PlainText);
    m_progressStatusTextField->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    status->addStretch();
    status->addWidget(m_progressStatusTextField);
    status->addStretch();
    progress->addLayout(status, 1);
    m_progressIndicator = new CSSpinningProgressIndicator(QRect(0, 0, 16, 16), m_progressView);
    m_progressIndicator->setFixedSize(16, 16);
    progress->addWidget(m_progressIndicator);
    m_cancelButton = new QPushButton(QStringLiteral("Stop"), m_progressView);
    m_cancelButton->setObjectName(QStringLiteral("stop"));
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
    progress->addWidget(m_cancelButton);
    stack->addWidget(m_progressView);
}

platform::UserDefaults& RBImportViewController::defaults() const
{
    return m_defaults ? *m_defaults : platform::UserDefaults::standard();
}

// --- the design file

QString RBImportViewController::designFilePath() const
{
    return m_appIdentifier.isEmpty() ? QString() : importers::designFileForPane(defaults(), m_appIdentifier);
}

void RBImportViewController::setDesignFilePath(const QString& path)
{
    if (m_appIdentifier.isEmpty())
        return;
    importers::setDesignFileForPane(defaults(), m_appIdentifier, path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath());
    setup();
    updateStatus();
}

void RBImportViewController::setChooserForTests(Chooser chooser)
{
    testChooser() = std::move(chooser);
}

void RBImportViewController::chooseDesignFile()
{
    QString chosen;
    if (testChooser()) {
        chosen = testChooser()(*this);
    } else {
        const QString current = designFilePath();
        chosen = QFileDialog::getOpenFileName(window(), QStringLiteral("Choose a %1 File").arg(m_appName),
                                              current.isEmpty() ? QString() : QFileInfo(current).path(), designFileFilter(),
                                              nullptr, QFileDialog::DontUseNativeDialog);
    }
    if (!chosen.isEmpty())
        setDesignFilePath(chosen);
}

void RBImportViewController::watchDesignFile()
{
    const QString path = designFilePath();
    if (path.isEmpty()) {
        m_watcher.stop();
        return;
    }
    if (m_watcher.paths() == QStringList{path})
        return;
    m_watcher.stop();
    m_watcher.watch({path}, [this](const QString&) {
        if (m_importing)
            return;
        setup();
        updateStatus();
    });
}

QString RBImportViewController::notRunningText() const
{
    return designFilePath().isEmpty() ? QStringLiteral("No file chosen")
                                      : QStringLiteral("%1 is not there any more").arg(shownFileName(QFileInfo(designFilePath()).fileName()));
}

int RBImportViewController::subtitleWidth() const
{
    // Laid out now, shown or not: the row's width decides where the subtitle breaks.
    for (QLayout* rowLayout : {layout(), m_importView->layout()}) {
        rowLayout->invalidate();
        rowLayout->activate();
    }
    return std::max(60, m_subTitleTextField->width());
}

QString RBImportViewController::shownFileName(const QString& name) const
{
    // A name wider than the line loses its middle, where names differ least.
    return m_subTitleTextField->fontMetrics().elidedText(name, Qt::ElideMiddle, subtitleWidth());
}

void RBImportViewController::fitRowHeight()
{
    const QMargins margins = m_importView->layout()->contentsMargins();
    const int needed = margins.top() + margins.bottom() + m_titleTextField->sizeHint().height() + 1
                       + m_subTitleTextField->heightForWidth(subtitleWidth());
    const int height = std::max(kRowHeight, needed);
    if (height == this->height() && minimumHeight() == height)
        return;
    setFixedHeight(height);
    subtitleWidth(); // lays the row out at its new height
    Q_EMIT rowHeightChanged();
}

// --- the row

void RBImportViewController::setup()
{
    m_progressProductImageView->setPixmap(importers::importerIconNamed(m_iconImageName, kIconPoints, devicePixelRatioF()));
    m_productImageView->setPixmap(importers::importerIconNamed(m_iconImageName, kIconPoints, devicePixelRatioF()));
    m_scale = importers::scaleForPath(defaults(), m_documentPath);
    setupScalePopUpButton();
    setScaleSelection(m_scale);

    m_isEnabled = m_appIsRunning = m_appHasRightVersion = m_appHasSavedDocument = false;
    m_chooseButton->setVisible(bool(m_probe));
    if (m_appIdentifier.isEmpty())
        return;
    if (m_probe) {
        watchDesignFile();
        m_fileInfo = m_probe->probe(designFilePath());
        if (!m_fileInfo.exists)
            return;
        m_appIsRunning = true;
        m_appHasRightVersion = !m_fileInfo.isDocument || importers::hasMinimumVersion(m_fileInfo.version, m_appMinimumVersion);
    } else {
        m_appIsRunning = true;
        m_appHasRightVersion = true;
    }
    if (appHasRightVersion()) {
        if (const std::optional<DocumentInfo> info = documentInfo()) {
            m_appHasSavedDocument = true;
            m_documentName = info->name;
            m_documentPath = info->path;
            m_isEnabled = true;
            // The scale belongs to the document just found, not to the one seen before.
            m_scale = importers::scaleForPath(defaults(), m_documentPath);
            setScaleSelection(m_scale);
        }
    }
}

std::optional<RBImportViewController::DocumentInfo> RBImportViewController::documentInfo()
{
    if (!m_probe || !m_fileInfo.exists || !m_fileInfo.isDocument)
        return std::nullopt;
    const QString path = designFilePath();
    return DocumentInfo{QFileInfo(path).fileName(), path};
}

void RBImportViewController::setupScalePopUpButton()
{
    m_scalePopUpButton->clear();
    const auto& choices = importers::scaleChoices();
    for (int i = 0; i < choices.size(); ++i)
        m_scalePopUpButton->addItem(choices[i].title, choices[i].value);
}

void RBImportViewController::setScaleSelection(double scale)
{
    const int index = importers::scaleChoiceIndex(scale);
    if (index >= 0)
        m_scalePopUpButton->setCurrentIndex(index);
}

void RBImportViewController::updateStatus()
{
    importers::PaneState state;
    state.appIsRunning = appIsRunning();
    state.appHasRightVersion = appHasRightVersion();
    state.appHasSavedDocument = appHasSavedDocument();
    state.supportsScale = supportsScale();
    importers::PaneTexts texts;
    texts.appName = m_appName;
    texts.minimumVersion = m_appMinimumVersion;
    texts.documentName = shownFileName(documentName());
    texts.iconImageName = m_iconImageName;
    texts.iconImageNameInactive = m_iconImageNameInactive;
    texts.notRunningText = notRunningText();
    texts.noDocumentText = m_fileInfo.problem.isEmpty()
                               ? QString()
                               : QStringLiteral("%1: %2").arg(shownFileName(QFileInfo(designFilePath()).fileName()), m_fileInfo.problem);
    const importers::PaneRow row = importers::paneRow(state, texts);
    m_runButton->setEnabled(row.runEnabled);
    m_scalePopUpButton->setVisible(row.scaleVisible);
    m_scalePopUpButton->setEnabled(row.scaleEnabled);
    setScaleSelection(m_scale);
    m_titleTextField->setText(row.title);
    m_subTitleTextField->setText(row.subtitle);
    m_subTitleTextField->setToolTip(m_appHasSavedDocument ? m_documentPath : row.subtitle);
    setAlpha(m_titleTextField, row.textAlpha);
    setAlpha(m_subTitleTextField, row.textAlpha);
    m_shownIconName = row.iconImageName;
    m_productImageView->setPixmap(importers::importerIconNamed(row.iconImageName, kIconPoints, devicePixelRatioF()));
    fitRowHeight();
}

void RBImportViewController::changeScale(int index)
{
    const auto& choices = importers::scaleChoices();
    if (index < 0 || index >= choices.size())
        return;
    m_scale = choices[index].value;
    importers::saveScale(defaults(), m_scale, m_documentPath);
}

void RBImportViewController::showProgress(bool show)
{
    auto* stack = static_cast<QStackedLayout*>(layout());
    stack->setCurrentWidget(show ? m_progressView : m_importView);
    m_progressIndicator->setVisible(show);
    if (show)
        m_progressStatusTextField->setText(QStringLiteral("Importing %1…").arg(documentName()));
    update();
}

void RBImportViewController::setProgressStatus(const QString& text)
{
    m_progressStatusTextField->setText(text);
}

QString RBImportViewController::progressStatus() const
{
    return m_progressStatusTextField->text();
}

QVariantMap RBImportViewController::reportUserInfo(const QString& folder, const QString& output) const
{
    importers::ImportReport report;
    report.docName = documentName();
    report.docPath = m_documentPath;
    report.outPath = folder;
    report.identifier = m_appIdentifier;
    report.scale = m_scale;
    report.info = output;
    return report.userInfo();
}

void RBImportViewController::notifySuccessWithPath(const QString& folder, const QString& output)
{
    platform::NotificationCenter::defaultCenter().post(QString::fromLatin1(importers::kSuccessNotification), m_windowController,
                                                      reportUserInfo(folder, output));
    defaults().setString(QString::fromLatin1(importers::kLastImportKey), m_appIdentifier);
}

void RBImportViewController::notifyFailure(const QString& folder, const QString& reason)
{
    platform::Log::warning(kDomain, QStringLiteral("%1 import failed: %2").arg(m_appName, reason));
    QVariantMap info = reportUserInfo(folder, QString());
    info.insert(QStringLiteral("error"), reason);
    platform::NotificationCenter::defaultCenter().post(QString::fromLatin1(importers::kFailureNotification), m_windowController, info);
}

void RBImportViewController::start()
{
    platform::Log::info(kDomain, QStringLiteral("RBImportViewController.start"));
}
