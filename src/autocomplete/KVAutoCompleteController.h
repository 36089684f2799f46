#pragma once

#include "CodeTextView/KVAutoCompletePresenter.h"
#include "CodeTextView/KVAutoCompletionSet.h"
#include "CodeTextView/KVCodeTextView.h"
#include "autocomplete/KVAutoCompleteAppearance.h"
#include "platform/StringExtras.h"

#include <QHash>
#include <QImage>
#include <QJsonObject>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class KVAutoCompleteTableViewController;
class KVAutoCompleteWindow;
class KVAutoCompletionExtraInfoView;
class QKeyEvent;

namespace platform {
class UserDefaults;
}

// The completion popup of the code editors: one for the whole application, opened under (or
// above) the word being typed with the list of completions the text view's engine answers and
// the description of the selected one. The editor keeps the keyboard focus: while the popup is
// open it watches the application's events, takes the arrow keys, Return, Tab and Escape from
// the editor and closes on a click elsewhere. Main thread only.
class KVAutoCompleteController : public QObject, public KVAutoCompletePresenter {
    Q_OBJECT
public:
    // The application's popup, made on first use and registered as the text views' presenter.
    static KVAutoCompleteController& sharedInstance();

    // `defaults`: the store of the editor's font size (the standard one when null);
    // `autocompleteInfoPath`: the descriptions (the "KVAutocompleteInfo" resource when empty).
    explicit KVAutoCompleteController(platform::UserDefaults* defaults = nullptr,
                                      const QString& autocompleteInfoPath = QString());
    ~KVAutoCompleteController() override;

    // KVAutoCompletePresenter
    void completeForTextView(KVCodeTextView* textView) override;
    void completeEnd(KVCodeTextView* textView) override;
    bool isPopupVisible() const override;
    void textViewGeometryDidChange(KVCodeTextView* textView) override;

    // Closes the popup.
    void completeEnd();
    // Inserts the selected item.
    void selectCurrent();
    void updateTextViewWithMovement(int movement, bool isFinal);
    void layout();
    void updateCompletions();
    void updateSelection();
    void clearTextSizeCache();

    double columnMargin() const;
    QPointF windowOffset() const;
    std::optional<double> storedFontSize() const;
    QString descriptionForCodeTypeID(const QString& key) const;
    // Opens the documentation at the key's anchor, when it has one.
    void openAnchor(const QString& key);
    // Who shows the documentation at an anchor; without one a link opens nothing (and says so
    // in the log).
    void setDocumentationOpener(std::function<void(const QString& anchor)> opener);

    QImage selectedIconForType(const QString& type) const;
    QImage tintedIconForType(const QString& type) const;

    // State read by the list and the panel.
    KVCodeTextView* textView() const { return m_textView; }
    const KVAutoCompletionSet& autoCompletionSet() const { return m_autoCompletionSet; }
    platform::TextRange currentRangeForUserCompletion() const { return m_currentRangeForUserCompletion; }
    const QString& originalWord() const { return m_originalWord; }
    int selectedRow() const { return m_selectedRow; }
    const KVAutoCompleteAppearance& appearance() const { return m_appearance; }
    void setAppearance(const KVAutoCompleteAppearance& appearance);
    platform::UserDefaults* userDefaults() const { return m_defaults; }
    KVAutoCompleteWindow* window() const { return m_window; }
    QWidget* backgroundView() const;
    KVAutoCompleteTableViewController* tableViewController() const { return m_tableViewController; }
    KVAutoCompletionExtraInfoView* extraInfoView() const { return m_extraInfoView; }
    bool hasDescriptions() const { return !m_autocompleteInfo.isEmpty(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setup();
    void update();
    void parseAutocompleteInfo(const QString& path);
    void startMonitor();
    void stopMonitor();
    bool handleKey(QKeyEvent* event, bool shortcutOverride);
    double measuredWidth(const QString& text, const QFont& font);
    void closeThroughTextView();
    void textViewDestroyed();

    platform::UserDefaults* m_defaults;
    KVAutoCompleteAppearance m_appearance;
    KVAutoCompleteWindow* m_window = nullptr;
    KVAutoCompleteTableViewController* m_tableViewController = nullptr;
    KVAutoCompletionExtraInfoView* m_extraInfoView = nullptr;
    QPointer<KVCodeTextView> m_textView;
    KVAutoCompletionSet m_autoCompletionSet;
    QString m_originalWord;
    platform::TextRange m_currentRangeForUserCompletion{platform::TextRange::kNotFound, 0};
    int m_selectedRow = -1;
    QJsonObject m_autocompleteInfo;
    bool m_monitoring = false;
    QHash<QString, double> m_textSizeCache; // per font: "size|word"
    std::function<void(const QString&)> m_documentationOpener;
};
