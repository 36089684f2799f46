#include "platform/gui/Alert.h"

#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/gui/KeepAboveNewWindows.h"
#include "platform/gui/ModalQuestions.h"

#include <algorithm>
#include <optional>

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {
// The least width of a shown alert, so that a long informative text reads as lines.
constexpr int kMinimumAlertWidth = 420;

Alert::Responder& responder()
{
    static Alert::Responder current;
    return current;
}
} // namespace

void Alert::setTestResponder(Responder r)
{
    responder() = std::move(r);
}

bool Alert::hasTestResponder()
{
    return bool(responder());
}

int Alert::addButton(const QString& title)
{
    m_buttons.append(title);
    return int(m_buttons.size() - 1);
}

int Alert::cancelAnswer() const
{
    if (m_cancelButton >= 0 && m_cancelButton < m_buttons.size())
        return kFirstButtonReturn + m_cancelButton;
    const qsizetype cancel = m_buttons.indexOf(QStringLiteral("Cancel"));
    if (cancel >= 0)
        return kFirstButtonReturn + int(cancel);
    return m_buttons.size() <= 1 ? kFirstButtonReturn : kNoAnswerReturn;
}

int Alert::runModal()
{
    return runModalSheetForWindow(nullptr);
}

int Alert::runModalSheet()
{
    return runModalSheetForWindow(QApplication::activeWindow());
}

int Alert::runModalSheetForWindow(QWidget* window)
{
    if (m_buttons.isEmpty())
        m_buttons.append(QStringLiteral("OK"));
    if (isMainThread())
        return show(window);
    int code = kFirstButtonReturn;
    QMetaObject::invokeMethod(qApp, [&] { code = show(window); }, Qt::BlockingQueuedConnection);
    return code;
}

int Alert::show(QWidget* parent)
{
    if (responder())
        return responder()(*this);
    if (ModalQuestions::isCancellingEveryQuestion())
        return cancelAnswer(); // the application is on its way out

    Log::info(QStringLiteral("alerts"), QStringLiteral("Asking: %1").arg(m_messageText));
    QMessageBox box(parent);
    box.setText(m_messageText);
    box.setInformativeText(m_informativeText);
    box.setIcon(m_style == Critical ? QMessageBox::Critical
                : m_style == Informational ? QMessageBox::Information
                                           : QMessageBox::Warning);
    if (parent)
        box.setWindowModality(Qt::WindowModal);
    // The box takes its width from the short message text, which leaves a long explanation a
    // thin column of words: keep it as wide as a readable line.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(kMinimumAlertWidth, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                      grid->columnCount());
    QList<QAbstractButton*> buttons;
    for (int i = 0; i < m_buttons.size(); ++i) {
        // The first button is the default one, as on every desktop.
        QPushButton* button = box.addButton(m_buttons.at(i), i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
        if (i == 0)
            box.setDefaultButton(button);
        buttons.append(button);
    }
    QCheckBox* suppression = nullptr;
    if (m_showsSuppressionButton) {
        suppression = new QCheckBox(QStringLiteral("Do not show this message again"), &box);
        QFont small = suppression->font();
        small.setPointSizeF(small.pointSizeF() * 0.85);
        suppression->setFont(small);
        box.setCheckBox(suppression);
    }
    QAbstractButton* cancel = buttons.value(cancelAnswer() - kFirstButtonReturn);
    box.setEscapeButton(cancel);
    std::optional<KeepAboveNewWindows> keepAbove;
    if (!parent)
        keepAbove.emplace(&box);
    const ModalQuestions::Scope open([&box, cancel] {
        if (cancel)
            cancel->click();
        else
            box.reject();
    });
    box.exec();
    if (suppression)
        m_suppressionState = suppression->isChecked();
    const qsizetype index = buttons.indexOf(box.clickedButton());
    return index < 0 ? cancelAnswer() : kFirstButtonReturn + int(index);
}

} // namespace platform
