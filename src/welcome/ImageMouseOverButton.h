#pragma once

#include <QAbstractButton>
#include <QImage>

namespace welcome {

// A button drawn as an image on a colour: the default image, or the active image while the
// pointer is held down inside it. Sends `clicked` when released inside.
class ImageMouseOverButton : public QAbstractButton {
    Q_OBJECT
public:
    // Both names must name images of the application; a missing one is logged and drawn empty.
    ImageMouseOverButton(const QRect& frame, const QString& defaultImageName, const QString& activeImageName,
                         QWidget* parent = nullptr);

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);

    bool isShowingActiveImage() const { return m_showingActive; }
    QImage shownImage() const { return m_showingActive ? m_activeImage : m_defaultImage; }
    bool locationInButton(const QPoint& position) const { return rect().contains(position); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void showActive(bool active);

    QColor m_backgroundColor = Qt::white;
    QImage m_defaultImage;
    QImage m_activeImage;
    bool m_showingActive = false;
};

} // namespace welcome
