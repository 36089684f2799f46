#include "CodeTextView/KVCodeTextStorage.h"

#include "CodeTextView/KVCodeTextView.h"
#include "platform/NotificationCenter.h"

KVCodeTextStorage::KVCodeTextStorage(KVCodeTextView* textView) : m_textView(textView) {}

QString KVCodeTextStorage::string() const
{
    return m_textView ? m_textView->string() : QString();
}

void KVCodeTextStorage::processEditing(platform::TextRange editedRange, qsizetype changeInLength)
{
    m_editedRange = editedRange;
    m_changeInLength = changeInLength;
    platform::NotificationCenter::defaultCenter().post(platform::TextStorageDidProcessEditingNotification, this);
}
