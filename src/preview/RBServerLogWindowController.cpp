#include "preview/RBServerLogWindowController.h"

#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/gui/WindowPlacement.h"
#include "platform/CSTaskManager.h"
#include "preview/RBServerController.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>
#include <QWidget>

RBServerLogWindowController& RBServerLogWindowController::sharedInstance()
{
    static auto* instance = new RBServerLogWindowController(RBServerController::sharedInstance());
    return *instance;
}

RBServerLogWindowController::RBServerLogWindowController(RBServerController& serverController, QObject* parent)
    : QObject(parent)
    , m_serverController(serverController)
{
}

RBServerLogWindowController::~RBServerLogWindowController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    delete m_window.data();
}

QWidget* RBServerLogWindowController::window()
{
    if (!m_window) {
        m_window = new QWidget;
        m_window->setWindowTitle(tr("Server Log"));
        m_window->resize(640, 420);
        auto* layout = new QVBoxLayout(m_window);
        layout->setContentsMargins(0, 0, 0, 0);
        m_logTextView = new QPlainTextEdit(m_window);
        m_logTextView->setReadOnly(true);
        m_logTextView->setLineWrapMode(QPlainTextEdit::NoWrap);
        // A program that prints in a loop must not make the window grow without end.
        m_logTextView->setMaximumBlockCount(20000);
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(11);
        m_logTextView->setFont(font);
        layout->addWidget(m_logTextView);
        windowDidLoad();
    }
    return m_window;
}

void RBServerLogWindowController::showWindow()
{
    QWidget* w = window();
    if (!w->isVisible())
        platform::placeWindow(w, QSize(640, 420), QApplication::activeWindow());
    w->show();
    w->raise();
    w->activateWindow();
}

void RBServerLogWindowController::windowDidLoad()
{
    appendLogText(m_serverController.output());
    appendLogText(m_consoleText);
    auto& center = platform::NotificationCenter::defaultCenter();
    center.removeObserver(this);
    center.addObserver(CSTaskManager::DidReceiveOutputNotification(), nullptr, [this](const platform::Notification& note) {
        appendLogText(note.userInfo.value(QStringLiteral("output")).toString());
    }, this);
}

void RBServerLogWindowController::appendLogText(const QString& text)
{
    if (text.isEmpty())
        return;
    if (!platform::isMainThread()) {
        QPointer<RBServerLogWindowController> self(this);
        platform::dispatchMain([self, text] {
            if (self)
                self->appendLogText(text);
        });
        return;
    }
    if (!m_logTextView)
        return;
    QTextCursor cursor(m_logTextView->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    m_logTextView->verticalScrollBar()->setValue(m_logTextView->verticalScrollBar()->maximum());
}

void RBServerLogWindowController::appendConsoleText(const QString& project, const QString& message)
{
    // A prototype's `print`: kept from the start, so that the window shows it however late it
    // opens; a program that prints in a loop keeps only the newest output.
    QString text;
    for (const QString& line : message.split(QLatin1Char('\n')))
        text += QStringLiteral("[%1] %2\n").arg(project, line);
    m_consoleText += text;
    if (m_consoleText.size() > kMaximumConsoleText) {
        const qsizetype cut = m_consoleText.indexOf(QLatin1Char('\n'), m_consoleText.size() - kMaximumConsoleText);
        m_consoleText.remove(0, cut < 0 ? m_consoleText.size() : cut + 1);
    }
    if (m_logTextView)
        appendLogText(text);
    Q_EMIT consoleTextAppended(text);
}

QString RBServerLogWindowController::logText() const
{
    return m_logTextView ? m_logTextView->toPlainText() : QString();
}
