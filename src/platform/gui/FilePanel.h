#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace platform {

// The save panel: asks for a new file or folder name and answers the chosen path (empty when
// cancelled). A validator may refuse a choice with a message: the panel stays open and shows
// the message as a note below its controls. Paths may also be shown disabled in its listing.
// Tests answer panels without showing them through setTestResponder().
class SavePanel {
public:
    void setNameFieldStringValue(const QString& name) { m_name = name; }
    QString nameFieldStringValue() const { return m_name; }
    void setDirectory(const QString& folder) { m_directory = folder; }
    QString directory() const { return m_directory; }
    void setPrompt(const QString& prompt) { m_prompt = prompt; }
    QString prompt() const { return m_prompt; }
    // The extension of the chosen name ("zelvor"); added when the user leaves it out.
    void setAllowedFileType(const QString& type) { m_type = type; }
    QString allowedFileType() const { return m_type; }

    // Answers an empty string to accept the path, or the reason to refuse it.
    using Validator = std::function<QString(const QString& path)>;
    void setValidator(Validator validator) { m_validator = std::move(validator); }
    // Empty when accepted; the message otherwise.
    QString validate(const QString& path) const { return m_validator ? m_validator(path) : QString(); }
    // The note the panel shows now (the last refusal), empty while there is none.
    QString note() const { return m_note; }

    // Whether an entry of the listing can be picked (all can unless set).
    using PathFilter = std::function<bool(const QString& path)>;
    void setShouldEnablePath(PathFilter filter) { m_shouldEnable = std::move(filter); }
    bool shouldEnablePath(const QString& path) const { return !m_shouldEnable || m_shouldEnable(path); }

    // Runs the panel modal to the window (or the application) and answers the path or "".
    QString runModal(QWidget* window = nullptr);

    // Completes a typed name with the allowed extension.
    QString withAllowedType(const QString& path) const;

    // Answers the panel in place of the user. After a refused answer it is asked again with the
    // note set, as the user would see it; a second refused answer in a row counts as Cancel so
    // that a responder cannot keep the panel open for ever.
    using Responder = std::function<QString(const SavePanel&)>;
    static void setTestResponder(Responder responder);

    // The widths of the note, in points.
    static constexpr int kNoteWidth = 420;
    static constexpr int kNoteHeight = 42;

private:
    QString m_name;
    QString m_note;
    PathFilter m_shouldEnable;
    QString m_directory;
    QString m_prompt;
    QString m_type;
    Validator m_validator;
};

// The open panel for folders (projects are folders). Answers the chosen path or "".
class OpenPanel {
public:
    void setDirectory(const QString& folder) { m_directory = folder; }
    void setTitle(const QString& title) { m_title = title; }
    QString runModal(QWidget* window = nullptr);

    using Responder = std::function<QString(const OpenPanel&)>;
    static void setTestResponder(Responder responder);

private:
    QString m_directory;
    QString m_title;
};

} // namespace platform
