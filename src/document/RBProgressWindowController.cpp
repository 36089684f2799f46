#include "document/RBProgressWindowController.h"

#include "platform/gui/WindowPlacement.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

RBProgressWindowController::RBProgressWindowController(QObject* parent)
    : QObject(parent)
    , m_window(new QDialog)
{
    m_window->setObjectName(QStringLiteral("RBProgressWindowController"));
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    m_window->setMinimumWidth(380);
    auto* layout = new QVBoxLayout(m_window);
    m_message = new QLabel(m_window);
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_message->hide();
    layout->addWidget(m_message);
    auto* row = new QHBoxLayout;
    m_progressIndicator = new QProgressBar(m_window);
    m_progressIndicator->setObjectName(QStringLiteral("progressIndicator"));
    m_progressIndicator->setTextVisible(false);
    row->addWidget(m_progressIndicator, 1);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), m_window);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    row->addWidget(m_cancelButton);
    layout->addLayout(row);
    setIndeterminate();
    connect(m_cancelButton, &QPushButton::clicked, m_window, &QDialog::reject);
    // Escape, the window's close button and Cancel all end up here.
    connect(m_window, &QDialog::rejected, this, [this] {
        if (!m_closing)
            Q_EMIT cancelled();
    });
}

RBProgressWindowController::~RBProgressWindowController()
{
    delete m_window.data();
}

QDialog* RBProgressWindowController::window() const
{
    return m_window.data();
}

void RBProgressWindowController::setMessage(const QString& text)
{
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
    // A longer text wraps onto more lines: the window grows to show them all.
    if (m_window && m_window->isVisible())
        m_window->adjustSize();
}

void RBProgressWindowController::setProgress(double fraction)
{
    if (!(fraction > 0.1)) // NaN and unknown totals stay indeterminate too
        return;
    m_progressIndicator->setRange(0, 1000);
    m_progressIndicator->setValue(int(std::min(fraction, 1.0) * 1000));
}

void RBProgressWindowController::setIndeterminate()
{
    m_progressIndicator->setRange(0, 0);
}

void RBProgressWindowController::beginSheet(QWidget* parent)
{
    if (!parent)
        return show();
    m_window->setParent(parent, Qt::Sheet | Qt::Dialog);
    m_window->setWindowModality(Qt::WindowModal);
    m_window->show();
}

void RBProgressWindowController::show()
{
    m_window->adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        m_window->move(area.center() - m_window->rect().center());
    }
    // Off the corner of other progress windows (several links opened at once).
    QList<QWidget*> others;
    for (QWidget* other : QApplication::topLevelWidgets())
        if (other->objectName() == m_window->objectName())
            others << other;
    platform::cascadeWindow(m_window, others);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void RBProgressWindowController::close()
{
    if (!m_window)
        return;
    m_closing = true;
    m_window->reject();
    m_window->hide();
    m_closing = false;
}
