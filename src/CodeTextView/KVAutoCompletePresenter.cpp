#include "CodeTextView/KVAutoCompletePresenter.h"

namespace {
KVAutoCompletePresenter* sharedPresenter = nullptr;
}

KVAutoCompletePresenter* KVAutoCompletePresenter::shared()
{
    return sharedPresenter;
}

void KVAutoCompletePresenter::setShared(KVAutoCompletePresenter* presenter)
{
    sharedPresenter = presenter;
}
