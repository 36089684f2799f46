#include "preview/KVDocsSearchField.h"

#include <QKeyEvent>

KVDocsSearchField::KVDocsSearchField(QWidget* parent)
    : QLineEdit(parent)
{
    setObjectName(QStringLiteral("docsSearchField"));
    setPlaceholderText(QStringLiteral("Search"));
    setClearButtonEnabled(true);
    m_typingPause.setSingleShot(true);
    m_typingPause.setInterval(kTypingPauseMs);
    connect(&m_typingPause, &QTimer::timeout, this, [this] { Q_EMIT searchRequested(text(), false); });
    connect(this, &QLineEdit::textChanged, this, [this](const QString& term) {
        if (term.isEmpty()) { // cleared: at once
            m_typingPause.stop();
            Q_EMIT searchRequested(term, false);
        } else {
            m_typingPause.start();
        }
    });
}

bool KVDocsSearchField::handleKey(QKeyEvent* event, bool perform)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        if (perform)
            Q_EMIT closeRequested();
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (perform) {
            m_typingPause.stop();
            Q_EMIT searchRequested(text(), modifiers & Qt::ShiftModifier);
        }
        return true;
    }
    if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_G) {
        if (perform)
            Q_EMIT previousRequested();
        return true;
    }
    if (modifiers == Qt::ControlModifier && (key == Qt::Key_F || key == Qt::Key_L)) {
        if (perform)
            selectAll();
        return true;
    }
    if (modifiers == Qt::ControlModifier && key == Qt::Key_G) {
        if (perform)
            Q_EMIT nextRequested();
        return true;
    }
    return false;
}

bool KVDocsSearchField::event(QEvent* event)
{
    // The field's keys win over the window's shortcuts while it has the focus.
    if (event->type() == QEvent::ShortcutOverride && handleKey(static_cast<QKeyEvent*>(event), false)) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void KVDocsSearchField::keyPressEvent(QKeyEvent* event)
{
    if (handleKey(event, true)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
