#include "platform/gui/WindowRestoration.h"

#include "platform/UserDefaults.h"
#include "platform/gui/Document.h"
#include "platform/gui/RestorableWindow.h"

#include <QFileInfo>
#include <QWidget>

namespace platform::WindowRestoration {

QString storeKey()
{
    return QStringLiteral("RestorableDocumentWindows");
}

void saveDocuments(UserDefaults& store, const QList<Document*>& documents)
{
    QVariantList list;
    for (Document* document : documents) {
        if (!document || document->fileURL().isEmpty())
            continue;
        QVariantMap entry{{QStringLiteral("path"), QFileInfo(document->fileURL()).absoluteFilePath()}};
        if (const auto* window = dynamic_cast<const RestorableWindow*>(document->window()))
            entry.insert(QStringLiteral("state"), window->encodeRestorableState());
        list.append(entry);
    }
    if (list.isEmpty())
        store.removeObject(storeKey());
    else
        store.setObject(storeKey(), list);
}

QList<Entry> restorableDocuments(const UserDefaults& store)
{
    QList<Entry> entries;
    for (const QVariant& item : store.arrayForKey(storeKey())) {
        const QVariantMap map = item.toMap();
        const QString path = map.value(QStringLiteral("path")).toString();
        if (path.isEmpty())
            continue;
        entries.append({path, map.value(QStringLiteral("state")).toMap()});
    }
    return entries;
}

void clear(UserDefaults& store)
{
    store.removeObject(storeKey());
}

} // namespace platform::WindowRestoration
