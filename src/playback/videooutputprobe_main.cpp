// q-marl-vo-probe: tries one libmpv video output in a process of its own and says whether it
// shows a picture. The viewer runs one per candidate output before its panes play anything.
//
// Why a process of its own: trying outputs runs driver and library code that can take a whole
// process down (libmpv's failing Vulkan set-up closes descriptor 0, which may by then be
// another thread's X connection; Xlib then ends the process from its I/O error handler). Here
// that costs only this candidate.
//
//     q-marl-vo-probe vo=gpu,gpu-api=opengl
//
// Prints one line, "ok" or "failed: <reason>", and exits without running any teardown, so
// nothing a half-initialised driver left behind can change the verdict.

#include "mpvoptions.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include <mpv/client.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

constexpr int probeTimeoutMs = 8000;
// A tiny moving picture, so a frame reaches the output without any file.
constexpr const char *probePicture = "av://lavfi:testsrc=size=64x48:rate=10:duration=3";

[[noreturn]] void verdict(const QByteArray &line)
{
    std::fprintf(stdout, "%s\n", line.constData());
    std::fflush(stdout);
    std::_Exit(line == "ok" ? 0 : 1);
}

void wakeup(void *ctx)
{
    QMetaObject::invokeMethod(static_cast<QObject *>(ctx), "drain", Qt::QueuedConnection);
}

class Probe : public QObject
{
    Q_OBJECT

public:
    explicit Probe(mpv_handle *handle) : mpv(handle) {}

public slots:
    void drain()
    {
        for (;;) {
            const mpv_event *event = mpv_wait_event(mpv, 0);
            switch (event->event_id) {
            case MPV_EVENT_NONE:
                return;
            case MPV_EVENT_SHUTDOWN:
                verdict("failed: the player shut down");
            case MPV_EVENT_PLAYBACK_RESTART: {
                int configured = 0;
                mpv_get_property(mpv, "vo-configured", MPV_FORMAT_FLAG, &configured);
                if (configured)
                    verdict("ok");
                verdict("failed: the output could not be set up");
            }
            case MPV_EVENT_END_FILE: {
                const auto *end = static_cast<const mpv_event_end_file *>(event->data);
                verdict("failed: playback ended before a picture (" +
                        QByteArray(mpv_error_string(end->error)) + ")");
            }
            default:
                break;
            }
        }
    }

private:
    mpv_handle *mpv;
};

} // namespace

int main(int argc, char *argv[])
{
    // The viewer builds its window meanwhile; that comes first.
    setpriority(PRIO_PROCESS, 0, 10);
    QGuiApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (argc != 2)
        verdict("failed: usage: q-marl-vo-probe name=value[,name=value...]");

    QWindow window;
    window.resize(64, 48);
    window.create(); // a native window that is never shown

    mpv_handle *mpv = mpv_create();
    if (!mpv)
        verdict("failed: cannot create a player");
    int64_t wid = static_cast<int64_t>(window.winId());
    mpv_set_option(mpv, "wid", MPV_FORMAT_INT64, &wid);
    for (const char *option : {"hwdec=no", "ao=null", "audio=no", "input-cursor=no"}) {
        const QByteArray pair(option);
        const int equals = pair.indexOf('=');
        mpv_set_option_string(mpv, pair.left(equals).constData(), pair.mid(equals + 1).constData());
    }
    for (const auto &option : parseMpvOptions(argv[1])) {
        if (mpv_set_option_string(mpv, option.first.constData(), option.second.constData()) < 0)
            verdict("failed: libmpv does not take " + option.first + "=" + option.second);
    }
    Probe probe(mpv);
    mpv_set_wakeup_callback(mpv, wakeup, &probe);
    if (mpv_initialize(mpv) < 0)
        verdict("failed: the player cannot start");
    const char *load[] = {"loadfile", probePicture, nullptr};
    if (mpv_command(mpv, load) < 0)
        verdict("failed: the test picture cannot be opened");

    QTimer::singleShot(probeTimeoutMs, [] { verdict("failed: no picture in time"); });
    app.exec();
    verdict("failed: the event loop ended");
}

#include "videooutputprobe_main.moc"
