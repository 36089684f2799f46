#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QList>
#include <QString>

#include <optional>

// The status button of the editor bar. In its ok state it shows "No Errors " and the last
// compile time ("No Errors 42ms"); in its error state the current error message in yellow,
// darkening while hovered or pressed, and a click sends clicked(). It sizes itself to its text,
// keeping its left edge and ending at least 60 points before the bar's right edge.
class ErrorButton : public QAbstractButton {
    Q_OBJECT
public:
    // One run of the title in one colour.
    struct TitleRun {
        QString text;
        QColor colour;
    };

    explicit ErrorButton(QWidget* parent = nullptr);

    bool errorState() const { return m_errorState; }
    bool isHovered() const { return m_hovered; }

    // The title: the text in one colour over a background (the bar's own when invalid).
    void setTitle(const QString& text, const QColor& colour, const QColor& background = QColor());
    QList<TitleRun> titleRuns() const { return m_runs; }
    QColor titleBackground() const { return m_titleBackground; }
    // The background of the whole button (clear unless hovered in the error state).
    QColor layerBackground() const { return m_layerBackground; }

    void showOkMessageWithTime(qint64 milliseconds);
    void showErrorMessage(const QString& message);
    // A passing message in the ok colour (a compile that takes long): the ok or error message
    // shown before comes back with endBusyMessage, unless another one replaced it meanwhile.
    void showBusyMessage(const QString& message);
    void endBusyMessage();
    bool isBusy() const { return m_busy.has_value(); }
    // Fits the width to the title plus `extraWidth`, limited by the parent's width.
    void calculateWidth(double extraWidth = 10);
    // The bar calls it whenever it changes size.
    void superviewDidResize() { calculateWidth(10); }

    QFont titleFont() const;
    // The title's width on one line, in points.
    double titleWidth() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void showHoverLook();
    void showPlainLook();

    struct Look {
        bool errorState;
        QString text;
        QList<TitleRun> runs;
        QString toolTip;
    };
    bool m_errorState = false;
    bool m_hovered = false;
    // What showBusyMessage covered.
    std::optional<Look> m_busy;
    QList<TitleRun> m_runs;
    QColor m_titleBackground;
    QColor m_layerBackground = Qt::transparent;
};
