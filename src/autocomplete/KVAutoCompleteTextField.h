#pragma once

#include "autocomplete/KVAutoCompleteTableRowSelectionProtocol.h"

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;
class QRectF;

// One text cell of the completion list: the word (its typed prefix drawn apart) or the type.
// Its colour follows its row's selection: the active colour when selected, else the normal one,
// each falling back to the popup's word colours.
class KVAutoCompleteTextField : public KVAutoCompleteTableRowSelectionProtocol {
public:
    KVAutoCompleteTextField(QColor fallbackNormal, QColor fallbackActive)
        : m_fallbackNormal(fallbackNormal), m_fallbackActive(fallbackActive) {}

    QString text;
    QFont font;
    Qt::Alignment alignment = Qt::AlignLeft;
    // The first characters drawn in white: the part of the word already typed.
    qsizetype highlightedPrefix = 0;
    double topConstraint = 0;
    double leftConstraint = 0;
    QColor normalColor;
    QColor activeColor;

    void setRowState(unsigned state) override;
    QColor textColor() const { return m_textColor; }
    void draw(QPainter& painter, const QRectF& cell) const;

private:
    QColor m_fallbackNormal;
    QColor m_fallbackActive;
    QColor m_textColor;
};
