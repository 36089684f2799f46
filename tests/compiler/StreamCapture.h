#pragma once

#include <QString>

#include <cstdio>

// A temporary file that stands in for an output stream of the code under test, or that one of
// the process's own descriptors (1, 2) is redirected into while the capture lives.
class StreamCapture {
public:
    StreamCapture();
    // Redirects the descriptor (e.g. STDERR_FILENO) into the capture until destruction.
    explicit StreamCapture(int redirectedFd);
    ~StreamCapture();
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    std::FILE* file() const { return m_file; }
    // Everything written so far.
    QString text() const;

private:
    std::FILE* m_file;
    int m_redirectedFd = -1;
    int m_savedFd = -1;
};
