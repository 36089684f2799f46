#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <QWidget>

namespace platform {

// One open document: a file or folder on disk (its "file URL", a path) or an untitled one, a
// change count that says whether it holds unsaved changes, its window, and the questions asked
// before it is closed. Subclasses read and write their content.
class Document : public QObject {
    Q_OBJECT
public:
    enum ChangeType { ChangeDone, ChangeUndone, ChangeCleared };

    explicit Document(QObject* parent = nullptr);
    ~Document() override;

    // The location on disk; empty while the document is untitled.
    QString fileURL() const { return m_fileURL; }
    virtual void setFileURL(const QString& path);
    QString fileType() const { return m_fileType; }
    void setFileType(const QString& type) { m_fileType = type; }

    // The file name without extension, or "Untitled" ("Untitled 2", ...) for a new document.
    virtual QString displayName() const;
    void setUntitledNumber(int number) { m_untitledNumber = number; }

    // The change count: edits count up, undo counts down, a save clears it.
    void updateChangeCount(ChangeType change);
    int changeCount() const { return m_changeCount; }
    bool isDocumentEdited() const { return m_changeCount != 0; }
    // Whether closing would lose something the user made; asks the close question when true.
    virtual bool hasUnsavedWork() const { return isDocumentEdited(); }

    // Reads the document at the path. Answers false with a reason in `error` when it cannot.
    virtual bool readFromURL(const QString& path, const QString& type, QString* error) = 0;

    // Window set-up and display.
    virtual void makeWindowControllers() {}
    virtual void showWindows();
    QWidget* window() const { return m_window; }
    void setWindow(QWidget* window);
    // The window that sheets and alerts of this document attach to (null without a window).
    virtual QWidget* windowForSheet() const { return m_window; }

    // Saving; each answers whether the document was saved.
    virtual bool saveDocument() = 0;
    virtual bool saveDocumentAs() = 0;

    // Asks "Save", "Don't Save" or "Cancel" when there is unsaved work and waits for the
    // answer; answers whether the close may go on (after saving when asked to).
    virtual bool canCloseDocument();
    // Closes without asking: the document leaves the document controller and is deleted later.
    virtual void close();
    bool isClosed() const { return m_closed; }

Q_SIGNALS:
    void changeCountChanged(bool edited);
    void fileURLChanged(const QString& path);
    void willClose();

protected:
    // Called once, when the close really happens, before the document leaves the controller.
    virtual void documentWillClose() {}

private:
    QString m_fileURL;
    QString m_fileType;
    int m_changeCount = 0;
    int m_untitledNumber = 1;
    bool m_closed = false;
    QPointer<QWidget> m_window;
};

} // namespace platform
