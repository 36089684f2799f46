#include "preview/drop/RBFullScreenView.h"

#include "preview/RBZelvorViewController.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QShortcut>
#include <QSplitter>
#include <QVBoxLayout>

RBFullScreenView::RBFullScreenView(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The web view inside keeps every key it gets for its page, and it has the focus whenever
    // the pointer is over the preview: in full-screen mode Esc is taken before it gets there,
    // or the mode could not be left from the keyboard.
    m_escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_escape->setContext(Qt::WidgetWithChildrenShortcut);
    m_escape->setEnabled(false);
    connect(m_escape, &QShortcut::activated, this, &RBFullScreenView::exitFullScreenMode);
}

void RBFullScreenView::setContentView(QWidget* content)
{
    if (m_content == content)
        return;
    if (m_content) {
        layout()->removeWidget(m_content);
        m_content->setParent(nullptr);
    }
    m_content = content;
    if (content)
        layout()->addWidget(content);
}

void RBFullScreenView::enterFullScreenMode()
{
    if (m_fullScreen)
        return;
    m_restoreParent = parentWidget();
    m_restoreIndex = -1;
    if (auto* splitter = qobject_cast<QSplitter*>(m_restoreParent.data()))
        m_restoreIndex = splitter->indexOf(this);
    else if (m_restoreParent && m_restoreParent->layout())
        m_restoreIndex = m_restoreParent->layout()->indexOf(this);
    m_fullScreen = true;
    m_escape->setEnabled(true);
    setParent(nullptr, Qt::Window);
    showFullScreen();
    setFocus(Qt::OtherFocusReason);
}

void RBFullScreenView::exitFullScreenMode()
{
    if (!m_fullScreen)
        return;
    m_fullScreen = false;
    m_escape->setEnabled(false);
    showNormal();
    QWidget* parent = m_restoreParent;
    if (auto* splitter = qobject_cast<QSplitter*>(parent)) {
        splitter->insertWidget(std::max(m_restoreIndex, 0), this);
    } else if (auto* box = parent ? qobject_cast<QBoxLayout*>(parent->layout()) : nullptr) {
        box->insertWidget(m_restoreIndex, this);
    } else {
        setParent(parent);
        if (parent && parent->layout())
            parent->layout()->addWidget(this);
    }
    show();
}

void RBFullScreenView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && m_fullScreen) {
        exitFullScreenMode();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void RBFullScreenView::reloadPreview()
{
    if (m_viewController)
        m_viewController->reload();
}

void RBFullScreenView::menuReset()
{
    if (m_viewController)
        m_viewController->actualSizeDeviceScale();
}

void RBFullScreenView::menuFit()
{
    if (m_viewController)
        m_viewController->fitDeviceScale();
}

void RBFullScreenView::menuSmaller()
{
    if (m_viewController)
        m_viewController->decreaseDeviceScale();
}

void RBFullScreenView::menuLarger()
{
    if (m_viewController)
        m_viewController->increaseDeviceScale();
}
