#pragma once

#include <QImage>
#include <QWidget>

namespace welcome {

// An image, scaled down to fit and centred, through which the window can be dragged.
// A corner radius clips the image (a radius of half the size makes a round avatar).
class DraggableImageView : public QWidget {
    Q_OBJECT
public:
    explicit DraggableImageView(const QRect& frame, QWidget* parent = nullptr);

    QImage image() const { return m_image; }
    void setImage(const QImage& image);
    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);

    bool mouseDownCanMoveWindow() const { return true; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage m_image;
    double m_cornerRadius = 0;
};

} // namespace welcome
