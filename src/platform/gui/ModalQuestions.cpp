#include "platform/gui/ModalQuestions.h"

#include "platform/Dispatch.h"

#include <utility>
#include <vector>

namespace platform {

namespace {
struct State {
    std::vector<std::pair<int, std::function<void()>>> open;
    std::vector<std::function<void()>> waiting;
    int nextId = 0;
    bool cancelling = false;
};

State& state()
{
    static State s;
    return s;
}

void runWaitingFromTheLoop()
{
    // From the loop, not from here: the code that asked is still on the stack, and it must
    // return before anything it relies on may go.
    for (auto& then : std::exchange(state().waiting, {}))
        dispatchMain([then = std::move(then)] {
            if (ModalQuestions::openCount() == 0)
                then();
            else
                ModalQuestions::whenNoneOpen(then);
        });
}
} // namespace

ModalQuestions::Scope::Scope(std::function<void()> cancel)
    : m_id(++state().nextId)
{
    state().open.emplace_back(m_id, std::move(cancel));
}

ModalQuestions::Scope::~Scope()
{
    auto& open = state().open;
    std::erase_if(open, [this](const auto& entry) { return entry.first == m_id; });
    if (open.empty())
        runWaitingFromTheLoop();
}

int ModalQuestions::openCount()
{
    return int(state().open.size());
}

void ModalQuestions::cancelAll()
{
    // A cancel may close a question and so change the list: work on a copy.
    const auto open = state().open;
    for (auto it = open.rbegin(); it != open.rend(); ++it)
        if (it->second)
            it->second();
}

void ModalQuestions::whenNoneOpen(std::function<void()> then)
{
    state().waiting.push_back(std::move(then));
    if (state().open.empty())
        runWaitingFromTheLoop();
}

void ModalQuestions::setCancellingEveryQuestion(bool cancelling)
{
    state().cancelling = cancelling;
}

bool ModalQuestions::isCancellingEveryQuestion()
{
    return state().cancelling;
}

} // namespace platform
