#pragma once

#include "platform/TextStorage.h"

class KVCodeTextView;

// The code text view's text as its followers (the line indexes) see it. After every change of
// the characters, also a silent one or a wholesale replacement, it posts
// TextStorageDidProcessEditingNotification, before the view reports the change.
class KVCodeTextStorage : public platform::TextStorage {
    Q_OBJECT
public:
    explicit KVCodeTextStorage(KVCodeTextView* textView);

    QString string() const override;
    platform::TextRange editedRange() const override { return m_editedRange; }
    qsizetype changeInLength() const override { return m_changeInLength; }
    int editedMask() const override { return EditedCharacters; }

    // Records one edit (its range in the new text, new length minus old) and tells the
    // followers.
    void processEditing(platform::TextRange editedRange, qsizetype changeInLength);

private:
    KVCodeTextView* m_textView;
    platform::TextRange m_editedRange{0, 0};
    qsizetype m_changeInLength = 0;
};
