#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

namespace platform {

class Document;
class UserDefaults;

// The documents whose windows were open when the application quit, kept in the user defaults
// so that the next launch can bring them back where they were. Only documents with a folder on
// disk are kept; a folder that is gone by the next launch is skipped.
namespace WindowRestoration {

struct Entry {
    QString path;
    QVariantMap state; // what the window asked to keep (RestorableWindow)
};

// The user-defaults key of the list.
QString storeKey();

void saveDocuments(UserDefaults& store, const QList<Document*>& documents);
QList<Entry> restorableDocuments(const UserDefaults& store);
void clear(UserDefaults& store);

} // namespace WindowRestoration

} // namespace platform
