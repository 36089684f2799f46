#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <memory>

class KVDocsSearchField;
class QAction;
class QMainWindow;
class QToolButton;
class RBWebViewController;

// The documentation window of the prototyping library: our own page (resource "native.html"
// in "ZelvorDocs") in a page-bridge web view, with a search field and previous/next buttons
// that drive the page's own search. The page is loaded when the controller is made (at start-up)
// so that it is ready when the window is first shown; the window stays hidden until then.
//
// The search moves through three states: none; searching (a term sent, the buttons disabled);
// active (the page confirmed the term, the buttons enabled). A new term goes back to searching,
// an emptied field to none.
//
// Main thread only. One controller lives for the whole run.
class RBDocsWindowController : public QObject {
    Q_OBJECT
public:
    static RBDocsWindowController& sharedInstance();
    // Whether the shared controller has been made.
    static bool exists();
    ~RBDocsWindowController() override;

    QMainWindow* window() const;
    RBWebViewController* webViewController() const { return m_webViewController.get(); }
    KVDocsSearchField* searchField() const;
    QToolButton* previousButton() const;
    QToolButton* nextButton() const;

    bool searchActive() const { return m_searchActive; }
    // The term last sent to the page; empty when there is none.
    QString currentSearch() const { return m_currentSearch; }

    // Shows the window and puts the keyboard into the search field.
    void showWindow();
    // Shows the window at that anchor of the page; before the page is ready only the latest
    // anchor asked for is shown once it is.
    void showInfoForAnchor(const QString& anchor);
    // Step through the hits of a confirmed search; answer whether they did.
    bool nextSearchResult();
    bool previousSearchResult();

    // The search field's action: a new term starts a search, the same term steps through its
    // hits (backwards with Shift), an empty one ends the search.
    void newSearch(const QString& term, bool backwards = false);
    // The previous (0) and next (1) buttons.
    void previousOrNextPressed(int segment);
    // The find menu items: 1 Find, 2 Find Next, 3 Find Previous.
    void performFindPanelAction(int tag);
    bool validateFindItem(int tag) const;
    QAction* findAction(int tag) const;
    // Back after a jump within the page.
    bool canGoBack() const;
    void goBack();
    QToolButton* backButton() const;
    // View ▸ Larger, Smaller and Actual Size zoom the page.
    void menuLarger();
    void menuSmaller();
    void menuReset();
    double zoomFactor() const;
    // The documentation command while this window is in front, and Esc: close the window.
    void toolbarDocs();
    void cancelOperation();
    // Enables the previous (0), the next (1) or both (2) buttons; other codes do nothing.
    void setEnabled(bool enabled, int item);

    // A message of the page (the wrapper's bridge handler).
    void handleBridgeMethod(const QString& method, const QVariant& arguments);

Q_SIGNALS:
    // The find items' enabled state may have changed (a search confirmed, started or ended).
    void findItemsChanged();

private:
    RBDocsWindowController();
    void buildWindow();
    void updateBackButton();
    void zoomBy(int steps);
    void updateFindItems();
    void sendAnchor(const QString& anchor);

    QPointer<QMainWindow> m_window;
    std::unique_ptr<RBWebViewController> m_webViewController;
    QPointer<KVDocsSearchField> m_searchField;
    QPointer<QToolButton> m_previous;
    QPointer<QToolButton> m_next;
    QPointer<QToolButton> m_back;
    QPointer<QAction> m_find;
    QPointer<QAction> m_findNext;
    QPointer<QAction> m_findPrevious;
    bool m_searchActive = false;
    QString m_currentSearch;
};
