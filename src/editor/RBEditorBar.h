#pragma once

#include <QWidget>

class ErrorButton;
class QToolButton;

// The bar under the code: the error inspector button and the error button on the left, the
// editor settings and layer panel buttons on the right, over the dark mini-bar background. The
// error button keeps its left edge and sizes itself to its text within the room the right-hand
// buttons leave.
class RBEditorBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 26;

    explicit RBEditorBar(QWidget* parent = nullptr);

    ErrorButton* errorButton() const { return m_errorButton; }
    QToolButton* errorInspectorButton() const { return m_errorInspectorButton; }
    QToolButton* layerInspectorButton() const { return m_layerInspectorButton; }
    QToolButton* editorSettingsButton() const { return m_editorSettingsButton; }
    QToolButton* showEditorButton() const { return m_showEditorButton; }

    QSize sizeHint() const override { return QSize(320, kHeight); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* makeButton(const QString& imageName, const QString& toolTip);
    void layoutButtons();

    ErrorButton* m_errorButton = nullptr;
    QToolButton* m_errorInspectorButton = nullptr;
    QToolButton* m_layerInspectorButton = nullptr;
    QToolButton* m_editorSettingsButton = nullptr;
    QToolButton* m_showEditorButton = nullptr;
};
