#pragma once

#include <functional>

namespace platform {

// The modal questions on screen (alerts, file panels), so that a quit, a close or a signal
// that arrives while one is open does not pull the window from under the code that waits for
// the answer: it answers the questions as Cancel, waits until the last one has returned, and
// only then goes on.
//
// Main thread only.
class ModalQuestions {
public:
    // Registers a question for its lifetime; `cancel` answers it as Cancel (closes it).
    class Scope {
    public:
        explicit Scope(std::function<void()> cancel);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        int m_id;
    };

    static int openCount();
    // Answers every open question as Cancel.
    static void cancelAll();
    // Runs `then` from the main loop once no question is open (at the next turn of the loop
    // when none is open now).
    static void whenNoneOpen(std::function<void()> then);
    // While set, a new question is answered as Cancel without being shown.
    static void setCancellingEveryQuestion(bool cancelling);
    static bool isCancellingEveryQuestion();
};

} // namespace platform
