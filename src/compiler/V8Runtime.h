#pragma once

#include <QString>

// The process-wide V8 set-up that every engine host needs first: ICU data, the platform and
// the engine itself, once per process. It refuses to run when the V8 library is not the
// version whose headers we were built with.
class V8Runtime {
public:
    // Safe to call more than once and from any thread; answers whether V8 is ready.
    static bool initialize(const char* argv0 = nullptr, QString* error = nullptr);
    static bool isInitialized();
    // Disposes the engine, shuts the platform down and destroys it. Every isolate must be gone
    // first. V8 cannot start again in the same process: later initialize() calls answer false.
    // The application never calls it (the engine lives until the process ends).
    static void teardown();

    // The library's version ("10.2.154.26-node.…") and the headers' "major.minor".
    static QString libraryVersion();
    static QString headerVersion();
    // Whether the library's major and minor version are those of the headers.
    static bool versionsMatch(const QString& libraryVersion);
};
