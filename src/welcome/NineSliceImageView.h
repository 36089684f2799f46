#pragma once

#include "platform/gui/ImageExtras.h"

#include <QImage>
#include <QWidget>

namespace welcome {

// An image stretched over the whole view by nine-part cap insets: the corners keep their size.
class NineSliceImageView : public QWidget {
    Q_OBJECT
public:
    NineSliceImageView(const QRect& frame, const QImage& image, const platform::TMEdgeInsets& insets,
                       QWidget* parent = nullptr);

    QImage image() const { return m_image; }
    void setImage(const QImage& image);
    platform::TMEdgeInsets insets() const { return m_insets; }
    void setInsets(const platform::TMEdgeInsets& insets);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    platform::TMEdgeInsets m_insets;
};

} // namespace welcome
