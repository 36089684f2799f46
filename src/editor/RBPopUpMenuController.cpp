#include "editor/RBPopUpMenuController.h"

#include "messages/ProjectConfig.h"
#include "platform/Log.h"
#include "platform/VariantExtras.h"
#include "webview/BridgeJson.h"

#include <QJsonValue>
#include <QMenu>
#include <QPushButton>

namespace {

bool isString(const QVariant& v)
{
    return v.typeId() == QMetaType::QString;
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (isString(a) && isString(b))
        return a.toString() == b.toString();
    if (platform::isNumber(a) && platform::isNumber(b))
        return a.toDouble() == b.toDouble();
    return false;
}

} // namespace

RBPopUpMenuController::RBPopUpMenuController(QPushButton* popUpButton, const QVariantList& menuContents, QObject* parent)
    : QObject(parent), m_popUpButton(popUpButton)
{
    setMenuContents(menuContents);
}

RBPopUpMenuController::~RBPopUpMenuController()
{
    if (m_popUpButton && m_popUpButton->menu() == m_menu)
        m_popUpButton->setMenu(nullptr);
    delete m_menu.data();
}

RBEditorDocument* RBPopUpMenuController::document() const
{
    return m_document.get();
}

void RBPopUpMenuController::setDocument(RBEditorDocument* document)
{
    m_document.attach(document ? document->documentObject() : nullptr, document);
}

void RBPopUpMenuController::setMenuContents(const QVariantList& menuContents)
{
    m_menuContents = menuContents;
    updateMenu();
}

int RBPopUpMenuController::tagOfEntry(const QVariantMap& entry) const
{
    return int(m_menuContents.indexOf(QVariant(entry)));
}

QAction* RBPopUpMenuController::itemWithTag(int tag) const
{
    if (!m_menu)
        return nullptr;
    for (QAction* action : m_menu->actions()) {
        if (!action->isSeparator() && action->data().toInt() == tag)
            return action;
    }
    return nullptr;
}

void RBPopUpMenuController::updateMenu()
{
    if (m_menuContents.isEmpty())
        return;
    if (m_popUpButton && m_popUpButton->menu() == m_menu)
        m_popUpButton->setMenu(nullptr);
    delete m_menu.data();
    auto* menu = new QMenu(m_popUpButton);
    m_menu = menu;
    for (const QVariant& item : std::as_const(m_menuContents)) {
        const QVariantMap entry = item.toMap();
        if (entry.value(QStringLiteral("type")).toString() == u"separator") {
            // Separators take a tag slot so that every other item's tag stays its entry's index.
            menu->addSeparator()->setData(tagOfEntry(entry));
            continue;
        }
        QAction* action = menu->addAction(entry.value(QStringLiteral("name")).toString());
        action->setCheckable(true);
        const int tag = tagOfEntry(entry);
        action->setData(tag);
        connect(action, &QAction::triggered, this, [this, tag] { change(tag); });
    }
    if (m_popUpButton)
        m_popUpButton->setMenu(menu);
    selectItem(m_menuContents.first().toMap());
}

void RBPopUpMenuController::selectItem(const QVariantMap& entry)
{
    m_selectedItem = entry;
    m_selectedTag = tagOfEntry(entry);
    if (m_popUpButton)
        m_popUpButton->setText(entry.value(QStringLiteral("name")).toString());
    if (!m_menu)
        return;
    for (QAction* action : m_menu->actions())
        action->setChecked(false);
    if (QAction* action = itemWithTag(m_selectedTag))
        action->setChecked(true);
}

bool RBPopUpMenuController::selectItemWithKey(const QString& key, const QVariant& value)
{
    for (const QVariant& item : std::as_const(m_menuContents)) {
        const QVariantMap entry = item.toMap();
        if (entry.contains(key) && sameValue(entry.value(key), value)) {
            selectItem(entry);
            return true;
        }
    }
    platform::Log::warning(QStringLiteral("RBPopUpMenuController"),
                           QStringLiteral("Could not select item for key %1 with value %2").arg(key, bridgeToJson(value)));
    return false;
}

void RBPopUpMenuController::selectItemWithName(const QString& name)
{
    for (const QVariant& item : std::as_const(m_menuContents)) {
        const QVariantMap entry = item.toMap();
        if (entry.value(QStringLiteral("name")).toString() == name)
            selectItem(entry);
    }
}

void RBPopUpMenuController::change(int tag)
{
    if (tag < 0 || tag >= m_menuContents.size())
        return;
    const QVariantMap entry = m_menuContents.at(tag).toMap();
    selectItem(entry);
    if (m_document)
        m_document->config().setValue(ProjectConfig::DeviceScale,
                                      QJsonValue::fromVariant(entry.value(QStringLiteral("value"))));
}
