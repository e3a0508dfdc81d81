#include "app/termination.h"

#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace kerfolio {
namespace {

int signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop does the rest.
void OnSignal(int number) {
    const int savedErrno = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

sigset_t TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int number : {SIGTERM, SIGHUP, SIGINT})
        sigaddset(&set, number);
    return set;
}

}  // namespace

void HoldTerminationSignals() {
    const sigset_t set = TerminationSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void CloseOnTermination(QObject* owner, std::function<void()> close) {
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [close] {
        char byte = 0;
        if (::read(signalPipe[0], &byte, 1) == 1) close();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(number, &action, nullptr);
    const sigset_t set = TerminationSignals();
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::commitDataRequest, owner, [close] { close(); });
    }
}

}  // namespace kerfolio
