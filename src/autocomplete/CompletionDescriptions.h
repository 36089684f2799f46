#pragma once

#include "CodeTextView/KVAutoCompletion.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// The descriptions of the completion items ("KVAutocompleteInfo"): a JSON object whose nested
// objects are reached by the dotted components of an item's key ("layer.x" is
// info["layer"]["x"]), each holding its text under "description".
namespace autocomplete {

// The parsed descriptions; empty, with `error` set, when the text is not a JSON object.
QJsonObject parseAutocompleteInfo(const QByteArray& json, QString* error);
// The description of a key, or a null string when the path or its "description" is missing.
QString descriptionForCodeTypeID(const QJsonObject& info, const QString& key);
// The key whose description an item shows: its codeTypeID, but a constructor of the prototyping
// library is described under its own name. Empty: the item has no description.
QString descriptionKeyForItem(const KVAutoCompletion& item);

} // namespace autocomplete
