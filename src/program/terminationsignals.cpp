#include "terminationsignals.h"

#include "applog.h"

#include <QApplication>
#include <QDebug>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int s_signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int signalNumber)
{
    // Only async-signal-safe work here: hand the signal number to the event loop.
    const char byte = static_cast<char>(signalNumber);
    const ssize_t written = ::write(s_signalPipe[0], &byte, 1);
    (void)written;
}
} // namespace

void closeWindowsOnTerminationSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_signalPipe) != 0) {
        qCWarning(lcApp) << "closeWindowsOnTerminationSignals: socketpair failed; signals end the "
                            "process without closing the window";
        return;
    }
    auto *notifier = new QSocketNotifier(s_signalPipe[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [notifier] {
        char byte = 0;
        if (::read(s_signalPipe[1], &byte, 1) != 1)
            return;
        notifier->setEnabled(false);
        qCWarning(lcApp) << "closing on signal" << int(byte);
        QApplication::closeAllWindows();
        QCoreApplication::exit(0);
    });

    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signalNumber, &action, nullptr);
}
