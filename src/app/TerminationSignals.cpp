#include "app/TerminationSignals.h"

#include "platform/Log.h"

#include <QList>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

// [0] is written by the handler, [1] read by the main loop. Only the handler and the one
// installed instance touch it.
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[kSignals.size()];

extern "C" void forwardSignal(int signal)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // Non-blocking: with the buffer full the signal is dropped rather than the handler stuck;
    // a full buffer already holds a request to quit.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

QList<int> TerminationSignals::handledSignals()
{
    return QList<int>(kSignals.begin(), kSignals.end());
}

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
{
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) {
        platform::Log::warning(QStringLiteral("application"), QStringLiteral("Termination signals are not handled"));
        return;
    }
    ::fcntl(g_pipe[0], F_SETFL, ::fcntl(g_pipe[0], F_GETFL) | O_NONBLOCK);
    ::fcntl(g_pipe[1], F_SETFL, ::fcntl(g_pipe[1], F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPending);

    struct sigaction action {};
    action.sa_handler = forwardSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TerminationSignals::readPending()
{
    // One signal per wake-up: the handler of one may run a modal question, during which the
    // notifier wakes again for the next (and its receiver may want to end at once).
    unsigned char byte = 0;
    if (::read(g_pipe[1], &byte, 1) == 1)
        Q_EMIT terminationRequested(int(byte));
}
