#pragma once

#include "platform/StringExtras.h"

#include <QObject>
#include <QString>

namespace platform {

// Posted on the default centre, with the storage as object, after the storage has processed
// an edit; observers read the edit back from the storage.
inline const QString TextStorageDidProcessEditingNotification =
    QStringLiteral("NSTextStorageDidProcessEditingNotification");

// The text behind a text view, as seen by those who follow its edits (the line index). The
// editor's widget implements it over its document; it reports the last edit in the terms of
// the text system: the edited range in the new text and the change in length.
class TextStorage : public QObject {
    Q_OBJECT
public:
    enum EditedMask { EditedAttributes = 1, EditedCharacters = 2 };

    explicit TextStorage(QObject* parent = nullptr);
    ~TextStorage() override;

    // The whole current text.
    virtual QString string() const = 0;
    // The range of the last edit in the current text (UTF-16 code units).
    virtual TextRange editedRange() const = 0;
    // New length minus old length of the last edit.
    virtual qsizetype changeInLength() const = 0;
    // EditedMask bits of the last edit.
    virtual int editedMask() const = 0;
};

} // namespace platform
