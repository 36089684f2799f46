#pragma once

#include <QAbstractButton>
#include <QImage>

// The documentation button of the completion description: its image, the pressed image while
// held, a separator line at its left edge. It never takes the keyboard focus.
class KVDocsLinkButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit KVDocsLinkButton(QWidget* parent = nullptr);
    void setImages(const QImage& image, const QImage& pressedImage);
    const QImage& image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    QImage m_pressedImage;
};
