#include "importers/FIGImportViewController.h"

#include "importers/FIGImportBridge.h"
#include "importers/ImportSheetBottomBar.h"
#include "platform/gui/CSSpinningProgressIndicator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kBottomBarHeight = 48;

// The overlay over the page while the export runs: the page underneath gets no clicks.
class StatusOverlay : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
};
} // namespace

FIGImportViewController::FIGImportViewController(const QUrl& service, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FIGImportViewController"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_webViewWrapper = new QWidget(this);
    auto* wrapperLayout = new QVBoxLayout(m_webViewWrapper);
    wrapperLayout->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_webViewWrapper, 1);

    m_bottomView = new ImportSheetBottomBar(this);
    m_bottomView->setFixedHeight(kBottomBarHeight);
    auto* bar = new QHBoxLayout(m_bottomView);
    bar->setContentsMargins(14, 8, 14, 8);
    m_errorLabel = new QLabel(m_bottomView);
    m_errorLabel->setObjectName(QStringLiteral("error"));
    m_errorLabel->setTextFormat(Qt::PlainText);
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(m_errorLabel, 1);
    m_closeButton = new QPushButton(QStringLiteral("Close"), m_bottomView);
    m_closeButton->setObjectName(QStringLiteral("close"));
    bar->addWidget(m_closeButton);
    column->addWidget(m_bottomView);

    auto* overlay = new StatusOverlay(m_webViewWrapper);
    m_statusView = overlay;
    m_statusView->setAutoFillBackground(true);
    QPalette palette = m_statusView->palette();
    palette.setColor(QPalette::Window, QColor(255, 255, 255, 230));
    m_statusView->setPalette(palette);
    auto* status = new QVBoxLayout(m_statusView);
    status->addStretch();
    m_statusViewProgressIndicator = new CSSpinningProgressIndicator(QRect(0, 0, 24, 24), m_statusView);
    m_statusViewProgressIndicator->setFixedSize(24, 24);
    status->addWidget(m_statusViewProgressIndicator, 0, Qt::AlignHCenter);
    m_statusViewLabel = new QLabel(m_statusView);
    m_statusViewLabel->setTextFormat(Qt::PlainText);
    m_statusViewLabel->setAlignment(Qt::AlignCenter);
    m_statusViewLabel->setWordWrap(true);
    status->addWidget(m_statusViewLabel);
    status->addStretch();
    m_statusView->hide();

    m_bridge = std::make_unique<FIGImportBridge>(QString::fromLatin1(figma::kIntegrationId), service, this);
    wrapperLayout->addWidget(m_bridge->contentView());
    m_bridge->showFilePicker();
}

FIGImportViewController::~FIGImportViewController() = default;

void FIGImportViewController::showStatus(bool show, const QString& message)
{
    if (!show) {
        m_statusView->hide();
        return;
    }
    m_statusView->setGeometry(m_webViewWrapper->rect().adjusted(0, 1, 0, 0));
    m_statusViewProgressIndicator->show();
    m_statusViewLabel->setText(message);
    m_statusView->raise();
    m_statusView->show();
}

QString FIGImportViewController::statusText() const
{
    return m_statusView->isHidden() ? QString() : m_statusViewLabel->text();
}

QString FIGImportViewController::errorText() const
{
    return m_errorLabel->text();
}

void FIGImportViewController::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_statusView->setGeometry(m_webViewWrapper->rect().adjusted(0, 1, 0, 0));
}

void FIGImportViewController::userChoseFileForExport(FIGImportBridge* bridge, const QString& fileName, const QString& fileKey)
{
    if (bridge != m_bridge.get())
        return;
    m_errorLabel->clear();
    showStatus(true, QStringLiteral("Generating export for Zelvor…"));
    m_exportDidStart = true;
    m_fileKey = fileKey;
    m_fileName = fileName;
    m_bridge->importFileWithKey(fileKey);
}

void FIGImportViewController::bridgeDownloadedFileAtTempLocation(FIGImportBridge* bridge, const QString& path)
{
    if (bridge != m_bridge.get())
        return;
    m_filePath = path;
    showStatus(true, QStringLiteral("Unpacking “%1”…").arg(m_fileName));
    if (m_handleResult)
        m_handleResult(path, m_fileKey, m_fileName);
}

void FIGImportViewController::bridgeFailed(FIGImportBridge* bridge, figma::FailureReason reason, const QString& debugMessage)
{
    if (bridge != m_bridge.get())
        return;
    // The page stays for another try; the overlay of an export that broke off goes.
    showStatus(false);
    const QString what = reason == figma::FailureReason::Network ? QStringLiteral("The Figma service cannot be reached.")
                                                                  : QStringLiteral("The Figma import failed.");
    m_errorLabel->setText(debugMessage.isEmpty() ? what : what + QLatin1Char(' ') + debugMessage);
}
