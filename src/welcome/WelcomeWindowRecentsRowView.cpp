#include "welcome/WelcomeWindowRecentsRowView.h"

#include "platform/gui/ColorExtras.h"
#include "welcome/SimpleButton.h"
#include "welcome/SystemFont.h"
#include "welcome/WelcomeImages.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>

namespace welcome {

namespace {
QColor hex(const char* text)
{
    return platform::colorWithHexColorString(QString::fromLatin1(text));
}
} // namespace

QString WelcomeWindowRecentsRowView::abbreviatedFolder(const QString& path)
{
    if (path.isEmpty())
        return QString();
    const QString folder = QFileInfo(path).path();
    const QString home = QDir::homePath();
    // Only a folder inside the home folder starts with "~": "/home/ann" is no prefix of
    // "/home/anna", nor of "/backup/home/ann".
    if (home.isEmpty() || home == QStringLiteral("/"))
        return folder;
    if (folder == home)
        return QStringLiteral("~");
    if (folder.startsWith(home + QLatin1Char('/')))
        return QStringLiteral("~") + folder.mid(home.size());
    return folder;
}

WelcomeWindowRecentsRowView::WelcomeWindowRecentsRowView(const QString& path, bool missing, QWidget* parent)
    : QWidget(parent)
    , m_path(path)
    , m_missing(missing)
    , m_title(path.isEmpty() ? QString() : QFileInfo(path).fileName())
    , m_folder(abbreviatedFolder(path))
{
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    if (m_missing) {
        setToolTip(tr("“%1” is no longer at %2").arg(m_title, m_folder));
        m_removeButton = new SimpleButton(QRect(0, 11, 58, 20), this);
        m_removeButton->setTitle(tr("Remove"));
        m_removeButton->setTitleFont(systemFontOfSize(10));
        m_removeButton->setCornerRadius(3);
        m_removeButton->setBackgroundColor(hex("EDEDEE"), SimpleButtonState::Normal);
        m_removeButton->setBackgroundColor(hex("D2D2D3"), SimpleButtonState::Pressed);
        m_removeButton->setTitleColor(hex("1D1D1F"), SimpleButtonState::Normal);
        m_removeButton->setToolTip(tr("Remove from the list of recent prototypes"));
        connect(m_removeButton, &SimpleButton::clicked, this, [this] { Q_EMIT removeRequested(m_path); });
    } else {
        setToolTip(path);
    }
    setRowState(WelcomeWindowRecentsRowState::Normal);
}

int WelcomeWindowRecentsRowView::removeButtonRoom() const
{
    return m_removeButton ? m_removeButton->width() + 4 : 0;
}

void WelcomeWindowRecentsRowView::resizeEvent(QResizeEvent*)
{
    if (m_removeButton)
        m_removeButton->move(width() - 10 - m_removeButton->width(), 11);
}

void WelcomeWindowRecentsRowView::setRowState(WelcomeWindowRecentsRowState state)
{
    m_state = state;
    m_icon = imageNamed(imageName(state));
    const bool selected = state == WelcomeWindowRecentsRowState::Selected;
    m_titleColor = selected ? QColor(Qt::white) : hex("1D1D1F");
    m_pathColor = selected ? hex("92D9FF") : hex("D2D2D3");
    if (m_missing)
        m_pathColor = selected ? QColor(Qt::white) : hex("E0564B");
    m_background = selected ? hex("28affa") : QColor(Qt::white);
    update();
}

QString WelcomeWindowRecentsRowView::shownTitle() const
{
    return QFontMetrics(systemFontOfSize(12)).elidedText(m_title, Qt::ElideRight, titleRect().width());
}

void WelcomeWindowRecentsRowView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (!m_icon.isNull())
        painter.drawImage(QRectF(0, 0, 46, 42), m_icon);
    painter.setFont(systemFontOfSize(12));
    painter.setPen(m_titleColor);
    painter.drawText(titleRect(), Qt::AlignLeft | Qt::AlignVCenter, shownTitle());
    const QFont small = systemFontOfSize(10);
    painter.setFont(small);
    painter.setPen(m_pathColor);
    const QString folder = m_missing ? tr("Missing: %1").arg(m_folder) : m_folder;
    painter.drawText(pathRect(), Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetrics(small).elidedText(folder, Qt::ElideRight, pathRect().width()));
}

} // namespace welcome
