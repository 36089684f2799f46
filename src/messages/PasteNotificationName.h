#pragma once

#include <QString>

// The names of the code text view's paste notifications: posted by the text view (object: the
// view, user info {"filePath": the pasted file}) and followed by the preview's drop controller,
// which may not include the text view itself.
class PasteNotificationName {
public:
    static const QString& Image();  // "KVCodeTextViewPastedImageNotification"
    static const QString& Video();  // "KVCodeTextViewPastedVideoNotification"
    static const QString& Module(); // "KVCodeTextViewPastedModuleNotification"
};
