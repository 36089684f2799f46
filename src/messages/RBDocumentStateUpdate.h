#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

#include <optional>

class QVariant;
namespace platform { struct Notification; }

inline const QString RBDocumentStateUpdateNotification = QStringLiteral("RBDocumentStateUpdateNotification");
inline const QString RBDocumentStateOk = QStringLiteral("RBDocumentStateOk");
inline const QString RBDocumentStateError = QStringLiteral("RBDocumentStateError");

// The outcome of one compile or run of the user's program, as the preview reports it to the
// editor: posted as "RBDocumentStateUpdateNotification" with the document as object and
// {"update": record}. Observers compare `state` with the constants above.
class RBDocumentStateUpdate {
public:
    // "syntax", "runtime" or "module"; empty for a success.
    QString type() const { return m_type; }
    void setType(const QString& type) { m_type = type; }
    QString state() const { return m_state; }
    void setState(const QString& state) { m_state = state; }
    // Seconds the last compile took, for a success; absent for errors.
    std::optional<double> duration() const { return m_duration; }
    void setDuration(std::optional<double> duration) { m_duration = duration; }
    // Line and column as the poster computes them; the editor hands them on unchanged.
    quint64 lineIndex() const { return m_lineIndex; }
    void setLineIndex(quint64 line) { m_lineIndex = line; }
    quint64 columnIndex() const { return m_columnIndex; }
    void setColumnIndex(quint64 column) { m_columnIndex = column; }
    // What the editor shows. A message may come from the page; one longer than
    // MaximumMessageLength characters is cut there and ends in "…".
    static constexpr qsizetype MaximumMessageLength = 500;
    QString message() const { return m_message; }
    void setMessage(const QString& message);
    quint64 clientCodeId() const { return m_clientCodeId; }
    void setClientCodeId(quint64 id) { m_clientCodeId = id; }

    bool isError() const { return m_state == RBDocumentStateError; }

    // The type of a record that tells about the project rather than the program (a file of it
    // that is not used as it stands): the editor bar shows it until it is clicked, behind any
    // error of the program, and no compile replaces it.
    static QString projectNoticeType() { return QStringLiteral("project"); }
    bool isProjectNotice() const { return m_type == projectNoticeType(); }

    // Posts the record for `document` on the default centre.
    void post(QObject* document) const;
    // The record carried by a notification, if it carries one.
    static std::optional<RBDocumentStateUpdate> fromNotification(const platform::Notification& notification);

private:
    QString m_type;
    QString m_state;
    std::optional<double> m_duration;
    quint64 m_lineIndex = 0;
    quint64 m_columnIndex = 0;
    QString m_message;
    quint64 m_clientCodeId = 0;
};

Q_DECLARE_METATYPE(RBDocumentStateUpdate)
