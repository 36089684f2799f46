#pragma once

#include "autocomplete/KVAutoCompleteTableRowSelectionProtocol.h"

#include <QImage>
#include <QString>

#include <functional>

class QPainter;
class QRectF;

// The type icon of a completion row: the selected image when its row is selected, else the
// tinted one, both named by the popup for the type.
class KVAutoCompleteIconView : public KVAutoCompleteTableRowSelectionProtocol {
public:
    using ImageForType = std::function<QImage(const QString&)>;
    KVAutoCompleteIconView(ImageForType selected, ImageForType tinted)
        : m_selected(std::move(selected)), m_tinted(std::move(tinted)) {}

    QString type;
    void setRowState(unsigned state) override;
    const QImage& image() const { return m_image; }
    void draw(QPainter& painter, const QRectF& cell) const;

private:
    ImageForType m_selected;
    ImageForType m_tinted;
    QImage m_image;
};
