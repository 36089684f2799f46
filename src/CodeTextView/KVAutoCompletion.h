#pragma once

#include <QString>

// One item of the completion popup, filled by the completion engine and only read by the popup.
class KVAutoCompletion {
public:
    KVAutoCompletion() = default;
    KVAutoCompletion(QString word, QString type, QString codeTypeID, bool isUsedObjectKey)
        : m_word(std::move(word)), m_type(std::move(type)), m_codeTypeID(std::move(codeTypeID)),
          m_isUsedObjectKey(isUsedObjectKey) {}

    // The inserted text, shown in the word column.
    const QString& word() const { return m_word; }
    void setWord(const QString& word) { m_word = word; }
    // The kind of the item ("function", "layer", "number" ...): type column, colour and icon.
    const QString& type() const { return m_type; }
    void setType(const QString& type) { m_type = type; }
    // Ranking score; items arrive already ordered.
    double score() const { return m_score; }
    void setScore(double score) { m_score = score; }
    // Dotted key into the completion descriptions; null when there is none.
    const QString& codeTypeID() const { return m_codeTypeID; }
    void setCodeTypeID(const QString& id) { m_codeTypeID = id; }
    // An object key the literal being written already uses: drawn muted.
    bool isUsedObjectKey() const { return m_isUsedObjectKey; }
    void setIsUsedObjectKey(bool used) { m_isUsedObjectKey = used; }

    bool operator==(const KVAutoCompletion&) const = default;

private:
    QString m_word;
    QString m_type;
    double m_score = 0;
    QString m_codeTypeID;
    bool m_isUsedObjectKey = false;
};
