#pragma once

class KVCodeTextView;

// The completion popup as the text view sees it: opened, refreshed and closed for one text
// view. The popup registers itself once as the shared presenter; without one, completion
// requests go nowhere.
class KVAutoCompletePresenter {
public:
    virtual ~KVAutoCompletePresenter() = default;

    virtual void completeForTextView(KVCodeTextView* textView) = 0;
    virtual void completeEnd(KVCodeTextView* textView) = 0;
    virtual bool isPopupVisible() const = 0;
    // The editor scrolled or resized: the popup follows or closes.
    virtual void textViewGeometryDidChange(KVCodeTextView*) {}

    static KVAutoCompletePresenter* shared();
    static void setShared(KVAutoCompletePresenter* presenter);
};
