#include "welcome/WelcomeWindowRoundedTextFieldView.h"

#include "platform/gui/ColorExtras.h"
#include "welcome/SystemFont.h"

#include <QPainter>
#include <QPainterPath>

namespace welcome {

namespace {
const QString kFace = QStringLiteral("36363A");
}

WelcomeWindowRoundedTextFieldView::WelcomeWindowRoundedTextFieldView(const QRect& frame, const QString& placeholder,
                                                                     QWidget* parent)
    : QWidget(parent)
    , m_textField(new QLineEdit(this))
    , m_placeholder(placeholder)
{
    setGeometry(frame);
    const QColor face = platform::colorWithHexColorString(kFace);
    m_textField->setGeometry(rect().adjusted(10, 11, -10, -11));
    m_textField->setFrame(false);
    m_textField->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_textField->setFont(systemFontOfSize(13));
    m_textField->setPlaceholderText(placeholder);
    QPalette palette = m_textField->palette();
    palette.setColor(QPalette::Base, face);
    palette.setColor(QPalette::Window, face);
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::PlaceholderText, platform::colorWithHexColorString(QStringLiteral("64646A")));
    palette.setColor(QPalette::Highlight, platform::colorWithHexColorString(QStringLiteral("28AFFA")));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    m_textField->setPalette(palette);
    connect(m_textField, &QLineEdit::returnPressed, this, [this] { Q_EMIT newLinePressed(this); });
    setFocusProxy(m_textField);
}

void WelcomeWindowRoundedTextFieldView::highlight(bool on)
{
    m_highlighted = on;
    update();
}

void WelcomeWindowRoundedTextFieldView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath face;
    face.addRoundedRect(QRectF(rect()), 3, 3);
    painter.fillPath(face, platform::colorWithHexColorString(kFace));
    if (m_highlighted) {
        QPen border(QColor(255, 255, 255, int(255 * 0.1)));
        border.setWidthF(2);
        painter.setPen(border);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
    }
}

} // namespace welcome
