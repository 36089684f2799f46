#pragma once

class KVCodeTextView;

// The Command-key links over the code: shown while the Control key is held in the editor.
// The code view owns one and tells it when to show and hide them. This base paints nothing;
// the link painting overrides it.
class KVTextActionsDelegate {
public:
    virtual ~KVTextActionsDelegate() = default;
    virtual void showActionsInTextView(KVCodeTextView*) {}
    virtual void hideActionsInTextView(KVCodeTextView*) {}
};
