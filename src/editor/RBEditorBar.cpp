#include "editor/RBEditorBar.h"

#include "editor/EditorImages.h"
#include "editor/ErrorButton.h"

#include <QPainter>
#include <QToolButton>

namespace {
constexpr int kButtonSize = 22;
constexpr int kMargin = 4;
} // namespace

RBEditorBar::RBEditorBar(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_errorInspectorButton = makeButton(QStringLiteral("icon-console"), tr("Show the preview's inspector"));
    m_errorButton = new ErrorButton(this);
    m_editorSettingsButton = makeButton(QStringLiteral("icon-settings"), tr("Editor settings"));
    m_layerInspectorButton = makeButton(QStringLiteral("icon-layers-off"), tr("Show or hide the layer panel"));
    m_showEditorButton = makeButton(QStringLiteral("icon-console"), tr("Show the code"));
    m_showEditorButton->hide(); // the window shows it while the code pane is collapsed
    layoutButtons();
}

QToolButton* RBEditorBar::makeButton(const QString& imageName, const QString& toolTip)
{
    auto* button = new QToolButton(this);
    button->setIcon(editor::editorIconNamed(imageName));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(toolTip);
    button->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"
                                         "QToolButton:pressed { background: rgba(0,0,0,60); border-radius: 2px; }"));
    button->resize(kButtonSize, kButtonSize);
    return button;
}

void RBEditorBar::layoutButtons()
{
    const int top = (height() - kButtonSize) / 2;
    m_errorInspectorButton->move(kMargin, top);
    m_errorButton->setGeometry(kMargin + kButtonSize + 2, top, m_errorButton->width(), kButtonSize);
    int right = width() - kMargin - kButtonSize;
    m_layerInspectorButton->move(right, top);
    right -= kButtonSize + 2;
    m_editorSettingsButton->move(right, top);
    right -= kButtonSize + 2;
    m_showEditorButton->move(right, top);
    m_errorButton->superviewDidResize();
}

void RBEditorBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutButtons();
}

void RBEditorBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), editor::miniBarBrush());
}
