#pragma once

#include <QPointer>
#include <QSplitter>
#include <QSplitterHandle>
#include <QVariantAnimation>

class RBSplitViewDelegate;

// Two panes side by side with a divider of no thickness between them (the panes' own edges
// show where they meet); the divider can still be dragged from a few pixels around it. Its
// position is the first pane's width. The delegate keeps a dragged divider within bounds and
// decides how a change of the split view's width is shared between the panes.
class RBSplitView : public QSplitter {
    Q_OBJECT
public:
    explicit RBSplitView(QWidget* parent = nullptr);
    ~RBSplitView() override;

    QWidget* firstPane() const { return m_first; }
    QWidget* lastPane() const { return m_last; }

    RBSplitViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(RBSplitViewDelegate* delegate) { m_delegate = delegate; }

    static constexpr double dividerThickness() { return 0; }

    // The right edge of the first pane.
    double splitPosition() const;
    // Moves the divider there (held inside the split view), at once or sliding over 0.15 s.
    void setSplitPosition(double position, bool animated = false);
    bool isAnimating() const;
    // The greatest and least divider positions the delegate allows.
    double maxPossiblePositionOfDivider() const;
    double minPossiblePositionOfDivider() const;

    // A drag of the divider to this position, as by the mouse: the delegate's limits apply.
    void dragDividerTo(double proposed);
    // Lays the panes out with the first pane `position` wide.
    void setPosition(double position);

Q_SIGNALS:
    void animationFinished();

protected:
    QSplitterHandle* createHandle() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_first;
    QWidget* m_last;
    RBSplitViewDelegate* m_delegate = nullptr;
    double m_position = 0;
    bool m_positionSet = false;
    bool m_laidOut = false;
    QPointer<QVariantAnimation> m_animation;
};

// The divider's grab area: a drag asks the split view's delegate where the divider may go.
class RBSplitViewHandle : public QSplitterHandle {
    Q_OBJECT
public:
    RBSplitViewHandle(Qt::Orientation orientation, RBSplitView* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    RBSplitView* m_splitView;
    double m_pressOffset = 0;
    bool m_dragging = false;
};
