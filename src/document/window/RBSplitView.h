#pragma once

#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

class RBSplitViewDelegate;

// Two panes side by side with one divider of no thickness between them (the panes' own edges
// show where they meet). The divider can still be dragged from a few pixels around it. Its
// position is the first pane's width; the delegate keeps it within bounds, and decides how a
// change of the split view's width is shared.
class RBSplitView : public QWidget {
    Q_OBJECT
public:
    explicit RBSplitView(QWidget* parent = nullptr);
    ~RBSplitView() override;

    QWidget* firstPane() const { return m_first; }
    QWidget* lastPane() const { return m_last; }

    RBSplitViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(RBSplitViewDelegate* delegate) { m_delegate = delegate; }

    static constexpr double dividerThickness() { return 0; }
    // How far from the divider a press still grabs it.
    static constexpr int kGrabMargin = 3;

    // The right edge of the first pane.
    double splitPosition() const;
    // Moves the divider there (clamped into the split view), at once or sliding over 0.15 s.
    void setSplitPosition(double position, bool animated = false);
    bool isAnimating() const;
    // The greatest divider position the delegate allows (the split view's width without one).
    double maxPossiblePositionOfDivider() const;
    double minPossiblePositionOfDivider() const;

    // A drag of the divider to this position, as if by the mouse: the delegate's limits apply.
    void dragDividerTo(double proposed);
    // Lays the panes out with the first pane `position` wide, as the platform does after a
    // delegate's layout.
    void setPosition(double position);

    // The delegate's layout for a change from `oldSize` (what a resize does).
    void resizeSubviewsWithOldSize(QSize oldSize);

Q_SIGNALS:
    void splitPositionChanged(double position);
    void animationFinished();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placePanes();
    void placeHandle();

    QWidget* m_first;
    QWidget* m_last;
    QWidget* m_handle;
    RBSplitViewDelegate* m_delegate = nullptr;
    double m_position = 0;
    bool m_positionSet = false;
    bool m_laidOut = false;
    bool m_dragging = false;
    QPointer<QVariantAnimation> m_animation;
};
