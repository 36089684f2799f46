#include "app/StdinDriver.h"

#include "CodeTextView/KVCodeTextView.h"
#include "app/RBApplication.h"
#include "app/RBMainMenu.h"
#include "document/RBDocument.h"
#include "platform/gui/DocumentController.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSocketNotifier>

#include <cstdio>

#include <unistd.h>

namespace {

// The editor that keys go to: the focused one, else the first one on screen.
KVCodeTextView* targetEditor()
{
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
        if (auto* editor = qobject_cast<KVCodeTextView*>(w))
            return editor;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* editor = qobject_cast<KVCodeTextView*>(w); editor && editor->isVisible())
            return editor;
    return nullptr;
}

void sendKey(QWidget* target, int key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

qint64 residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

} // namespace

StdinDriver::StdinDriver(QObject* parent)
    : QObject(parent)
    , m_notifier(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &StdinDriver::readInput);
}

bool StdinDriver::isRequested()
{
    return qEnvironmentVariable("ZELVOR_DRIVE_FROM_STDIN") == QLatin1String("1");
}

void StdinDriver::readInput()
{
    char buffer[4096];
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got <= 0) {
        m_notifier->setEnabled(false); // the other end is gone
        return;
    }
    m_pending.append(buffer, got);
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QByteArray line = m_pending.left(end);
        m_pending.remove(0, end + 1);
        const QByteArray reply = run(line);
        std::fprintf(stdout, "driver: %s\n", reply.constData());
        std::fflush(stdout);
    }
}

QByteArray StdinDriver::run(const QByteArray& line)
{
    const qsizetype space = line.indexOf(' ');
    const QByteArray command = space < 0 ? line : line.left(space);
    const QString argument = space < 0 ? QString() : QString::fromUtf8(line.mid(space + 1));
    if (command == "type")
        return type(argument);
    if (command == "press")
        return press(argument);
    if (command == "menu") {
        RBApplication* application = RBApplication::sharedInstance();
        QAction* action = application && application->mainMenu() ? application->mainMenu()->action(argument) : nullptr;
        if (!action || !action->isEnabled())
            return "no menu item " + argument.toUtf8();
        // From the main loop, as a click in the menu would: the item may ask a question.
        QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
        return "chose " + argument.toUtf8();
    }
    if (command == "programs")
        return programs();
    if (command == "memory")
        return "memory " + QByteArray::number(residentKilobytes());
    return "unknown command " + command;
}

QByteArray StdinDriver::type(const QString& text)
{
    KVCodeTextView* editor = targetEditor();
    if (!editor)
        return "no editor";
    editor->window()->activateWindow();
    editor->setFocus(Qt::OtherFocusReason);
    int typed = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text.at(i);
        if (c == u'\\' && i + 1 < text.size()) {
            const QChar escaped = text.at(++i);
            if (escaped == u'n') {
                sendKey(editor, Qt::Key_Return, QStringLiteral("\r"));
            } else if (escaped == u't') {
                sendKey(editor, Qt::Key_Tab, QStringLiteral("\t"));
            } else if (escaped == u'b') {
                sendKey(editor, Qt::Key_Backspace, QString(QChar(8)));
            } else {
                sendKey(editor, Qt::Key_Backslash, QString(escaped));
            }
        } else {
            const int key = c.isLetter() ? int(c.toUpper().unicode()) : c == u' ' ? int(Qt::Key_Space) : int(c.unicode());
            sendKey(editor, key, QString(c));
        }
        ++typed;
    }
    return "typed " + QByteArray::number(typed);
}

QByteArray StdinDriver::press(const QString& title)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->isVisible())
            continue;
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == title) {
                // Clicked from the main loop: the question's own loop ends after this reply.
                QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
                return "pressed " + title.toUtf8();
            }
        }
    }
    return "no button " + title.toUtf8();
}

QByteArray StdinDriver::programs()
{
    QByteArray reply = "programs";
    for (platform::Document* document : platform::DocumentController::sharedDocumentController().documents()) {
        auto* project = qobject_cast<RBDocument*>(document);
        if (!project)
            continue;
        const QJsonArray entry{project->projectPath(), project->currentProgram().value_or(QString())};
        reply += "\nprogram " + QJsonDocument(entry).toJson(QJsonDocument::Compact);
    }
    return reply;
}
