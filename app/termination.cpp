#include "app/termination.h"

#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>

namespace kerfolio {
namespace {

int signalPipe[2] = {-1, -1};
// The window's close, while the window that gave it is there.
QPointer<QObject> closeOwner;
std::function<void()> closeWindow;
bool requested = false;

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

// Closes a dialog as its close box would, once its own loop runs: closed from inside its show it
// would be shown again by the rest of that show.
void CloseSoon(QDialog* dialog) {
    QTimer::singleShot(0, dialog, [box = QPointer<QDialog>(dialog)] {
        if (box && box->isVisible()) box->reject();
    });
}

// While start-up is being ended, a box it opens is closed as soon as it shows.
class BoxCloser : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && closeOwner.isNull()) {
            if (auto* dialog = qobject_cast<QDialog*>(watched); dialog != nullptr && dialog->isModal()) {
                CloseSoon(dialog);
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

void EndStartUp() {
    if (requested) return;
    requested = true;
    QCoreApplication::instance()->installEventFilter(new BoxCloser(QCoreApplication::instance()));
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) CloseSoon(dialog);
}

}  // namespace

void HoldTerminationSignals() {
    const sigset_t set = TerminationSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void HandleTerminationSignals() {
    if (signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
    QCoreApplication* app = QCoreApplication::instance();
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [] {
        char byte = 0;
        if (::read(signalPipe[0], &byte, 1) != 1) return;
        if (!closeOwner.isNull()) {
            closeWindow();
        } else {
            EndStartUp();
        }
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(number, &action, nullptr);
    const sigset_t set = TerminationSignals();
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

bool TerminationRequested() {
    return requested;
}

void CloseOnTermination(QObject* owner, std::function<void()> close) {
    HandleTerminationSignals();
    closeOwner = owner;
    closeWindow = close;
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::commitDataRequest, owner, [close] { close(); });
    }
}

}  // namespace kerfolio
