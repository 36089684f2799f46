#pragma once

#include "platform/Dispatch.h"

#include <QThreadPool>

#include <cstdint>
#include <functional>
#include <memory>

// A value rebuilt off the main thread and published on it in one step: readers on the main
// thread see the previous value or the new one, never a half-built one. A rebuild that ends
// after a newer one has started is dropped, and nothing is published once the owner is gone.
// Owned and read on the main thread.
template <class T>
class BackgroundValue {
public:
    const T& value() const { return m_state->value; }
    // Whether a rebuild has started and not yet been published.
    bool isRefreshing() const { return m_state->published != m_state->started; }

    void refresh(std::function<T()> make)
    {
        const std::uint64_t generation = ++m_state->started;
        std::weak_ptr<State> weak = m_state;
        QThreadPool::globalInstance()->start([weak, generation, make = std::move(make)] {
            T made = make();
            platform::dispatchMain([weak, generation, made = std::move(made)]() mutable {
                const auto state = weak.lock();
                if (!state || generation < state->published)
                    return;
                state->value = std::move(made);
                state->published = generation;
            });
        });
    }

private:
    struct State {
        T value{};
        std::uint64_t started = 0;
        std::uint64_t published = 0;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};
