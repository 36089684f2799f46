#pragma once

#include <QRectF>
#include <QString>
#include <QVariantMap>

// Where the last compile or run failed, as the editor shows it. Line and column count from 1:
// the marker with lineIndex n belongs to the line numbered n on screen.
class KVCodeError {
public:
    KVCodeError() = default;
    KVCodeError(qsizetype lineIndex, qsizetype columnIndex, QString message)
        : m_lineIndex(lineIndex), m_columnIndex(columnIndex), m_message(std::move(message)) {}

    qsizetype lineIndex() const { return m_lineIndex; }
    void setLineIndex(qsizetype v) { m_lineIndex = v; }
    qsizetype columnIndex() const { return m_columnIndex; }
    void setColumnIndex(qsizetype v) { m_columnIndex = v; }
    const QString& message() const { return m_message; }
    void setMessage(const QString& m) { m_message = m; }
    const QVariantMap& userInfo() const { return m_userInfo; }
    void setUserInfo(const QVariantMap& info) { m_userInfo = info; }
    // Reserved for the marker's place in the text; not used by the editor.
    QRectF errorRect() const { return m_errorRect; }
    void setErrorRect(const QRectF& r) { m_errorRect = r; }
    QRectF errorVariableRect() const { return m_errorVariableRect; }
    void setErrorVariableRect(const QRectF& r) { m_errorVariableRect = r; }

private:
    qsizetype m_lineIndex = 0;
    qsizetype m_columnIndex = 0;
    QString m_message;
    QVariantMap m_userInfo;
    QRectF m_errorRect;
    QRectF m_errorVariableRect;
};
