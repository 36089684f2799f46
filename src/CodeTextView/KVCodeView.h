#pragma once

#include "platform/StringExtras.h"

#include <QFont>
#include <QPointer>
#include <QVariantAnimation>
#include <QPoint>
#include <QWidget>

#include <memory>

class KVAutoCompleteDelegate;
class KVFindBar;
class KVCodeLineNumberRulerView;
class KVCodeTextView;
class KVSyntaxColouringDelegate;
class KVTextActionsDelegate;

namespace platform {
class UserDefaults;
}

// The editor widget: the code text view with its line-number ruler, the colouring, text
// actions and completion delegates, the user's editor settings, the choice of what to recolour
// after edits and scrolls, font zoom and animated scrolling to a line.
class KVCodeView : public QWidget {
    Q_OBJECT
public:
    using TextRange = platform::TextRange;

    static const QString TextRecolouredNotification; // "KVCodeViewTextRecolouredNotification"
    static const QString MouseDidEnterNotification;  // "KVCodeViewMouseDidEnterNotification"

    // User-default keys.
    static const QString FontSizeKey;                    // "KVCodeEditorFontSize"
    static const QString ShowInvisiblesKey;              // "KVCodeEditorShowInvisibles"
    static const QString AutoCloseCharactersEnabledKey;  // "KVCodeEditorAutoCloseCharactersEnabledWrapper"

    // `defaults` is the settings store to follow (the standard one when null).
    explicit KVCodeView(QWidget* parent = nullptr, platform::UserDefaults* defaults = nullptr);
    ~KVCodeView() override;

    // The editor's face at a size: the completion list draws its words with it too.
    static QFont editorFont(double pointSize);

    KVCodeTextView* textView() const { return m_textView; }
    // The find bar above the text (hidden until asked for).
    KVFindBar* findBar() const { return m_findBar; }
    KVCodeLineNumberRulerView* lineNumberRulerView() const { return m_ruler; }

    KVSyntaxColouringDelegate* syntaxColouringDelegate() const { return m_syntaxColouringDelegate.get(); }
    void setSyntaxColouringDelegate(std::unique_ptr<KVSyntaxColouringDelegate> d);
    KVTextActionsDelegate* textActionsDelegate() const { return m_textActionsDelegate.get(); }
    void setTextActionsDelegate(std::unique_ptr<KVTextActionsDelegate> d);
    KVAutoCompleteDelegate* autoCompleteDelegate() const { return m_autoCompleteDelegate.get(); }
    void setAutoCompleteDelegate(std::shared_ptr<KVAutoCompleteDelegate> d) { m_autoCompleteDelegate = std::move(d); }

    QFont currentFont() const { return m_currentFont; }
    void setCurrentFont(const QFont& font) { m_currentFont = font; }
    qreal lineHeight() const { return m_lineHeight; }
    void setLineHeight(qreal multiple) { m_lineHeight = multiple; }
    qreal lineNumberViewWidth() const;
    void setLineNumberViewWidth(qreal width);
    // The sizes the editor's font may take, in points: a stored size outside them is brought
    // back inside.
    static constexpr qreal MinimumFontSize = 9;
    static constexpr qreal MaximumFontSize = 28;
    qreal minimumFontSize() const { return m_minimumFontSize; }
    qreal maximumFontSize() const { return m_maximumFontSize; }
    bool showActions() const { return m_showActions; }
    void setShowActions(bool show);

    // Re-applies font, insets, invisibles, auto-closing and paragraph style from the settings.
    void updateSettings();
    void updateSyntaxColoring();
    qsizetype syntaxColoringLocation() const { return m_syntaxColoringLocation; }

    // Font zoom: one point per step between the minimum and maximum size; beeps at the ends.
    // The View menu's commands reach these while the code has the focus.
    Q_INVOKABLE void menuLarger() { increaseFontSize(); }
    Q_INVOKABLE void menuSmaller() { decreaseFontSize(); }
    Q_INVOKABLE void menuReset() { resetFontSize(); }
    void increaseFontSize();
    void decreaseFontSize();
    void resetFontSize();

    void scrollToLineIndex(qsizetype lineIndex, bool animate);
    void scrollToLineRange(TextRange range, bool animate);
    // The duration of an animated scroll over a distance in pixels, in seconds.
    static double scrollDuration(double distance);
    bool isScrollAnimating() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setDefaults();
    void setup();
    void setupNotifications();
    void handleTextViewFrameDidChange();
    void handleTextContentViewBoundsDidChange();
    // Follows every scroll of the text once, whichever way it came.
    void textViewDidScroll();
    void handleTextDidChange();
    void fontSizeDidChange();
    void showInvisiblesDidChange();
    void autoCloseCharactersEnabledDidChange();
    double storedFontSize() const;

    platform::UserDefaults* m_defaults;
    KVCodeTextView* m_textView = nullptr;
    KVFindBar* m_findBar = nullptr;
    KVCodeLineNumberRulerView* m_ruler = nullptr;
    std::unique_ptr<KVSyntaxColouringDelegate> m_syntaxColouringDelegate;
    std::unique_ptr<KVTextActionsDelegate> m_textActionsDelegate;
    std::shared_ptr<KVAutoCompleteDelegate> m_autoCompleteDelegate;
    QFont m_currentFont;
    qreal m_lineHeight = 1.4;
    qreal m_minimumFontSize = MinimumFontSize;
    qreal m_maximumFontSize = MaximumFontSize;
    bool m_showActions = false;
    qsizetype m_syntaxColoringLocation = 0;
    QPoint m_lastScrollPosition;
    QPointer<QVariantAnimation> m_scrollAnimation;
};
