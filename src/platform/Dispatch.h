#pragma once

#include <functional>

namespace platform {

// Runs the function on the main thread, later (never synchronously), in order of calls.
// Safe from any thread.
void dispatchMain(std::function<void()> fn);

// Runs the function on the main thread after the given number of seconds. Safe from any thread.
void dispatchAfter(double seconds, std::function<void()> fn);

// True on the thread of the application object.
bool isMainThread();

} // namespace platform
