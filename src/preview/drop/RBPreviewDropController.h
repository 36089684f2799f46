#pragma once

#include "preview/drop/DropFileKind.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class RBPreviewDropEditor;
class RBZelvorViewController;
class QWidget;

// Turns files dropped on the preview or pasted into the code editor into project content:
// images and videos are copied into "images", modules into "modules", and the editor gets a
// snippet that uses the file ("DropImage", "DropVideo" at the end, "DropModule" on top).
//
// Nothing in the project is replaced without the user's consent, and a file that cannot be
// used (gone, not an image, unreadable) changes nothing and is named in one message at the end.
// Main thread.
class RBPreviewDropController : public QObject {
    Q_OBJECT
public:
    explicit RBPreviewDropController(RBZelvorViewController* preview, QObject* parent = nullptr);
    ~RBPreviewDropController() override;

    RBZelvorViewController* zelvorViewController() const { return m_preview; }
    // The editor must outlive the controller or be unset before it goes.
    void setEditor(RBPreviewDropEditor* editor) { m_editor = editor; }
    RBPreviewDropEditor* editor() const { return m_editor; }

    // The files of one drop, in order. Answers whether at least one was of a supported kind.
    bool handleDroppedFiles(const QStringList& paths);

    // Follows the paste notifications (PasteNotificationName) that this code text view posts,
    // each with the pasted file's "filePath".
    void observePastedFiles(QObject* codeTextView);
    // One pasted file, by the notification's name.
    void pastedMediaOrModule(const QString& notificationName, const QString& filePath);

    // Each handles one file and answers whether it reached the project; a problem is kept for
    // the next report.
    bool droppedImage(const QString& path);
    bool droppedVideo(const QString& path);
    bool droppedModule(const QString& path);

    // Gives the preview's web view the keyboard focus (with true), remembering who had it.
    void focusWebView(bool focus);
    QWidget* previousFirstResponder() const { return m_previousFirstResponder; }

    // Shows the problems kept since the last report in one message, then forgets them.
    void reportProblems();
    QStringList pendingProblems() const { return m_problems; }

private:
    QString projectPath() const;
    bool droppedMedia(const QString& path, DropFileKind kind);
    bool mayReplace(const QString& fileName, const QString& noun) const;
    void insertSnippet(const QString& name, const QVariantMap& context, bool onTop);

    QPointer<RBZelvorViewController> m_preview;
    RBPreviewDropEditor* m_editor = nullptr;
    QPointer<QWidget> m_previousFirstResponder;
    QStringList m_problems;
};
