#pragma once

#include "platform/StringExtras.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class KVCodeTextView;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// The find bar above the code: searches as the user types and marks every match, goes to the
// next or previous one (wrapping around), matches case or whole words on request, and replaces one match or
// all of them, each as one undo step. Esc closes it and gives the focus back to the code.
class KVFindBar : public QWidget {
    Q_OBJECT
public:
    using TextRange = platform::TextRange;

    explicit KVFindBar(KVCodeTextView* textView, QWidget* parent = nullptr);

    // Shows the bar with the find field focused and its text selected; with `replace`, the
    // replace row too.
    void showFind(bool replace);
    void close();

    void findNext();
    void findPrevious();
    // Puts the selected text into the find field (the bar stays as it is).
    void useSelectionForFind();
    void replace();
    void replaceAll();

    QString findString() const;
    void setFindString(const QString& text);
    void setReplaceString(const QString& text);
    bool isCaseSensitive() const;
    void setCaseSensitive(bool on);
    bool isWholeWords() const;
    void setWholeWords(bool on);
    const QList<TextRange>& matches() const { return m_matches; }

Q_SIGNALS:
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void search();
    void selectMatch(qsizetype index);
    void updateStatus(qsizetype current);
    void textChanged();

    QPointer<KVCodeTextView> m_textView;
    QLineEdit* m_findField = nullptr;
    QLineEdit* m_replaceField = nullptr;
    QCheckBox* m_caseBox = nullptr;
    QCheckBox* m_wordsBox = nullptr;
    QLabel* m_status = nullptr;
    QWidget* m_replaceRow = nullptr;
    QList<TextRange> m_matches;
    bool m_replacing = false;
};
