#pragma once

#include <QPointer>
#include <QWidget>

class QShortcut;
class RBZelvorViewController;

// The root of the preview pane. It answers the preview's menu commands and can show the
// preview alone on the whole screen, which Esc leaves.
class RBFullScreenView : public QWidget {
    Q_OBJECT
public:
    explicit RBFullScreenView(QWidget* parent = nullptr);

    RBZelvorViewController* viewController() const { return m_viewController; }
    void setViewController(RBZelvorViewController* controller) { m_viewController = controller; }

    // Puts the content (the preview's view) inside, filling the view.
    void setContentView(QWidget* content);
    QWidget* contentView() const { return m_content; }

    // Takes the view out of its window onto the whole screen, and puts it back where it was.
    void enterFullScreenMode();
    void exitFullScreenMode();
    bool isInFullScreenMode() const { return m_fullScreen; }

public Q_SLOTS:
    void reloadPreview();
    // Actual Size shows the device at 100 %; Fit sizes it to the pane.
    void menuReset();
    void menuFit();
    void menuSmaller();
    void menuLarger();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointer<RBZelvorViewController> m_viewController;
    QPointer<QWidget> m_content;
    QPointer<QWidget> m_restoreParent;
    QShortcut* m_escape = nullptr;
    int m_restoreIndex = -1;
    bool m_fullScreen = false;
};

// The preview pane's root as the document window holds it; it behaves as its superclass.
class RBZelvorWrapView : public RBFullScreenView {
    Q_OBJECT
public:
    using RBFullScreenView::RBFullScreenView;
};
