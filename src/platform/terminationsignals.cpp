#include "platform/terminationsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

int signalPipe[2] = {-1, -1};
bool requested = false;
volatile std::sig_atomic_t caught = 0;

// Only async-signal-safe work here: the event loop, or the work polling, does the rest.
void onSignal(int signal)
{
    caught = signal;
    if (signalPipe[0] < 0)
        return;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

void catchTerminationSignals()
{
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        sigaction(signal, &action, nullptr);
}

} // namespace

void quitOnTerminationSignals(QCoreApplication &application)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[1], &byte, 1);
        requested = true;
        QCoreApplication::exit(0);
    });
    catchTerminationSignals();
}

void noteTerminationSignals()
{
    catchTerminationSignals();
}

int terminationSignal()
{
    return caught;
}

bool terminationRequested()
{
    return requested;
}
