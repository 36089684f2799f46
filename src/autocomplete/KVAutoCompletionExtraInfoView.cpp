#include "autocomplete/KVAutoCompletionExtraInfoView.h"

#include "autocomplete/CompletionImages.h"
#include "autocomplete/KVDocsLinkButton.h"
#include "autocomplete/KVAntialiasedLabel.h"
#include "messages/KVAnchorLinkHelper.h"
#include "platform/gui/ColorExtras.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

QColor panelColour()
{
    return QColor::fromRgbF(0.06f, 0.07f, 0.08f);
}

// The panel shows a description's start, cut short, so that a description of any length lays
// out and paints in the time of a short one.
constexpr qsizetype kShownCharacters = 300;

QString firstLine(const QString& text)
{
    QString line = text.left(kShownCharacters * 2).simplified();
    if (line.size() > kShownCharacters)
        line = line.left(kShownCharacters - 1) + QChar(0x2026);
    return line;
}

} // namespace

KVAutoCompletionExtraInfoView::KVAutoCompletionExtraInfoView(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void KVAutoCompletionExtraInfoView::setBorderAtBottom(bool atBottom)
{
    if (m_borderAtBottom == atBottom)
        return;
    m_borderAtBottom = atBottom;
    update();
}

QString KVAutoCompletionExtraInfoView::description() const
{
    return m_textField ? m_textField->text() : QString();
}

void KVAutoCompletionExtraInfoView::setDescription(const QString& text, const QString& anchorLink,
                                                   std::optional<double> fontSize)
{
    m_currentAnchor = anchorLink;
    m_fontSize = fontSize.value_or(12);
    delete m_textField.data();
    QFont font(QStringLiteral("Roboto"));
    font.setPointSizeF(std::max(1.0, m_fontSize - 1));
    m_textField = new KVAntialiasedLabel(firstLine(text), font, platform::colorWithHexColorString(QStringLiteral("666666")),
                                         panelColour(), Qt::AlignLeft, 0, this);
    m_textField->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_textField->show();
    if (KVAnchorLinkHelper::isZelvorSource(anchorLink))
        addDocsLinkForFontSize(m_fontSize);
    else if (m_docsLinkButton)
        m_docsLinkButton->hide();
    if (m_docsLinkButton)
        m_docsLinkButton->raise();
    layoutSubviews();
}

double KVAutoCompletionExtraInfoView::panelHeightForWidth(double width, double oneLineHeight)
{
    m_oneLineHeight = oneLineHeight;
    if (!m_textField || m_textField->text().isEmpty())
        return oneLineHeight;
    const bool hasLink = m_docsLinkButton && !m_docsLinkButton->isHidden();
    const double textWidth = std::max(1.0, width - (textMargin() - 1) - textMargin() - (hasLink ? oneLineHeight : 0));
    const QFontMetricsF metrics(m_textField->labelFont());
    const QRectF wrapped = metrics.boundingRect(QRectF(0, 0, textWidth, 1e6), Qt::TextWordWrap, m_textField->text());
    const int lines = std::max(1, int(std::lround(wrapped.height() / metrics.lineSpacing())));
    return oneLineHeight + (lines - 1) * metrics.lineSpacing();
}

void KVAutoCompletionExtraInfoView::addDocsLinkForFontSize(double fontSize)
{
    if (!m_docsLinkButton) {
        m_docsLinkButton = new KVDocsLinkButton(this);
        connect(m_docsLinkButton, &QAbstractButton::clicked, this, [this] { Q_EMIT docsLinkClicked(m_currentAnchor); });
    }
    const bool large = fontSize > 18;
    m_docsLinkButton->setImages(
        autocomplete::completionImageNamed(large ? QStringLiteral("icon-docs-link-large") : QStringLiteral("icon-docs-link")),
        autocomplete::completionImageNamed(large ? QStringLiteral("icon-docs-link-active-large")
                                                 : QStringLiteral("icon-docs-link-active")));
    m_docsLinkButton->show();
}

void KVAutoCompletionExtraInfoView::layoutSubviews()
{
    // The panel's line is part of its height; the label and the button sit beside it.
    const double h = m_oneLineHeight > 0 ? std::min<double>(m_oneLineHeight, height()) : height();
    const double margin = textMargin();
    const double top = m_borderAtBottom ? 0 : 1;
    const bool hasLink = m_docsLinkButton && !m_docsLinkButton->isHidden();
    if (m_textField)
        m_textField->setGeometry(QRectF(margin - 1, top, std::max(0.0, width() - (margin - 1) - margin - (hasLink ? h : 0)),
                                        std::max(0.0, height() - 1 - m_fontSize / 3)).toRect());
    if (m_docsLinkButton)
        m_docsLinkButton->setGeometry(QRectF(width() - h, top, h, h - 1).toRect());
}

void KVAutoCompletionExtraInfoView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutSubviews();
}

void KVAutoCompletionExtraInfoView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), panelColour());
    const double y = m_borderAtBottom ? height() - 1 : 0;
    p.fillRect(QRectF(0, y, width(), 1), platform::colorWithHexColorString(QStringLiteral("272729")));
}
