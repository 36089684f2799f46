#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

namespace platform {

class Document;
class UserDefaults;

// Keeps the open documents of the application: makes new untitled ones, opens folders (an
// already open one is only brought to the front), runs the open panel, asks the close
// questions before quitting, and keeps the list of recently opened documents in the user
// defaults. There is one shared controller: the first one constructed becomes it.
class DocumentController : public QObject {
    Q_OBJECT
public:
    DocumentController(QObject* parent = nullptr);
    ~DocumentController() override;

    // The shared controller; a plain one is made when none has been constructed yet.
    static DocumentController& sharedDocumentController();
    static bool hasSharedDocumentController();

    // Makes a document object for a type; documents of this application are all of one kind.
    using Factory = std::function<Document*()>;
    void setDocumentFactory(Factory factory) { m_factory = std::move(factory); }
    Document* makeDocument() const;

    QList<Document*> documents() const { return m_documents; }
    void addDocument(Document* document);
    void removeDocument(Document* document);
    Document* documentForURL(const QString& path) const;

    // A new untitled document with its windows shown. Answers it (null when none could be made).
    virtual Document* newDocument();

    // Opens the document at the path (or finds it open). The handler gets the document (null on
    // failure), whether it was open already, and the reason of a failure.
    using OpenHandler = std::function<void(Document*, bool alreadyOpen, const QString& error)>;
    virtual void openDocumentWithContentsOfURL(const QString& path, bool display, OpenHandler handler);

    // The open panel; then opens the chosen folder. A failure is shown in an alert.
    virtual void openDocument();

    // Asks each document with unsaved work whether to save it; answers false when the user
    // cancelled, leaving every document open. Answers true after closing them all.
    bool closeAllDocuments();

    // What to open for the folder chosen in the open panel: the folder itself unless a
    // subclass says otherwise; empty to open nothing.
    virtual QString documentPathForChosenFolder(const QString& chosen) { return chosen; }

    // Recently opened documents, newest first, at most maximumRecentDocumentCount().
    void setRecentDocumentsStore(UserDefaults* store) { m_recentStore = store; }
    void noteNewRecentDocumentURL(const QString& path);
    QStringList recentDocumentURLs() const;
    void clearRecentDocuments();
    // Drops one entry (a project whose folder is gone, say); other entries keep their order.
    void removeRecentDocumentURL(const QString& path);
    static int maximumRecentDocumentCount() { return 10; }

Q_SIGNALS:
    void documentsChanged();

private:
    UserDefaults& recentStore() const;

    QList<Document*> m_documents;
    Factory m_factory;
    UserDefaults* m_recentStore = nullptr;
    int m_untitledCount = 0;
};

} // namespace platform
