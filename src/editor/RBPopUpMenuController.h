#pragma once

#include <QObject>
#include "editor/RBEditorDocument.h"
#include "platform/AttachedInterface.h"

#include <QPointer>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

#include <QMenu>
#include <QPushButton>

class QAction;

// Fills a pop-up button's menu from plain entries and writes the chosen entry's value into the
// document's setting "deviceScale". An entry is a map: "type" "separator" makes a separator
// line; any other entry is an item titled by its "name" whose "value" (a string or a number)
// is stored when the user picks it. Each item's tag is the index of its entry (the first equal
// entry when two are equal); the button shows the selected entry's name, and only its item is
// checked.
class RBPopUpMenuController : public QObject {
    Q_OBJECT
public:
    RBPopUpMenuController(QPushButton* popUpButton, const QVariantList& menuContents, QObject* parent = nullptr);
    ~RBPopUpMenuController() override;

    QPushButton* popUpButton() const { return m_popUpButton.data(); }
    QVariantList menuContents() const { return m_menuContents; }
    // Stores the entries, rebuilds the menu and selects the first entry (settings untouched).
    void setMenuContents(const QVariantList& menuContents);
    QMenu* menu() const { return m_menu.data(); }
    QVariantMap selectedItem() const { return m_selectedItem; }

    RBEditorDocument* document() const;
    void setDocument(RBEditorDocument* document);
    // Kept for the owner; the controller itself never calls it.
    std::function<void()> changeHandler() const { return m_changeHandler; }
    void setChangeHandler(std::function<void()> handler) { m_changeHandler = std::move(handler); }

    // Shows the entry as selected without writing settings.
    void selectItem(const QVariantMap& entry);
    // Selects the first entry whose value for the key equals the value: strings match strings,
    // numbers match numbers, and the two kinds never match each other. Logs and keeps the
    // selection when none does; answers whether one did.
    bool selectItemWithKey(const QString& key, const QVariant& value);
    // Selects the entries named so; with several, the last one stays selected.
    void selectItemWithName(const QString& name);
    // The user picked the item with this tag.
    void change(int tag);

    // The menu item with this tag (null for none).
    QAction* itemWithTag(int tag) const;
    int selectedTag() const { return m_selectedTag; }

private:
    void updateMenu();
    int tagOfEntry(const QVariantMap& entry) const;

    QPointer<QPushButton> m_popUpButton;
    QVariantList m_menuContents;
    QPointer<QMenu> m_menu;
    QVariantMap m_selectedItem;
    int m_selectedTag = -1;
    platform::AttachedInterface<RBEditorDocument> m_document;
    std::function<void()> m_changeHandler;
};
