#include "StreamCapture.h"

#include <QByteArray>

#include <unistd.h>

StreamCapture::StreamCapture()
    : m_file(std::tmpfile())
{
}

StreamCapture::StreamCapture(int redirectedFd)
    : m_file(std::tmpfile())
    , m_redirectedFd(redirectedFd)
{
    std::fflush(redirectedFd == STDOUT_FILENO ? stdout : stderr);
    m_savedFd = dup(redirectedFd);
    dup2(fileno(m_file), redirectedFd);
}

StreamCapture::~StreamCapture()
{
    if (m_redirectedFd >= 0) {
        std::fflush(m_redirectedFd == STDOUT_FILENO ? stdout : stderr);
        dup2(m_savedFd, m_redirectedFd);
        close(m_savedFd);
    }
    std::fclose(m_file);
}

QString StreamCapture::text() const
{
    if (m_redirectedFd >= 0)
        std::fflush(m_redirectedFd == STDOUT_FILENO ? stdout : stderr);
    std::fflush(m_file);
    const int fd = fileno(m_file);
    QByteArray bytes;
    char buffer[4096];
    for (off_t offset = 0;;) {
        const ssize_t n = pread(fd, buffer, sizeof buffer, offset);
        if (n <= 0)
            break;
        bytes.append(buffer, n);
        offset += n;
    }
    return QString::fromUtf8(bytes);
}
