#include "playlabel.h"

#include "mpvoptions.h"
#include "playbacklog.h"
#include "videooutputchoice.h"
#include "x11inputmethods.h"

#include <QDebug>
#include <QMetaObject>

#include <mpv/client.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

// Called on libmpv's own threads: it may only hand the work over to the GUI thread.
void wakeup(void *ctx)
{
    QMetaObject::invokeMethod(static_cast<QObject *>(ctx), "on_mpv_events", Qt::QueuedConnection);
}

QString number(float value)
{
    return QString::number(double(value), 'g', 6);
}

} // namespace

PlayLabel::PlayLabel(QWidget *parent)
    : QLabel(parent)
{
    setStyleSheet(QStringLiteral("background:black"));

    reserveX11InputMethodSlots();
    mpv = mpv_create();
    if (!mpv)
        throw std::runtime_error("can't create mpv instance");

    // mpv draws into this window for its whole life; no native ancestors are forced, so the
    // rest of the window stays alien.
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    setAttribute(Qt::WA_NativeWindow);
    int64_t wid = static_cast<int64_t>(winId());
    mpv_set_option(mpv, "wid", MPV_FORMAT_INT64, &wid);
    mpv_set_option_string(mpv, "hwdec", "auto");
    // The output is named, never left to each player's own probing (see VideoOutputChoice).
    VideoOutputChoice &output = VideoOutputChoice::instance();
    output.start();
    if (output.isReady())
        applyOutputChoice();
    // Mouse input over the picture belongs to the pane (wheel zoom, double click, menu), not to
    // mpv's own window.
    mpv_set_option_string(mpv, "input-cursor", "no");

    // A misspelt extra option would otherwise be dropped silently; refusing to start says so.
    bool extrasAccepted = true;
    for (const auto &option : mpvOptionsFromEnvironment()) {
        const int result = mpv_set_option_string(mpv, option.first.constData(),
                                                 option.second.constData());
        if (result < 0) {
            qCWarning(lcPlayback) << "PlayLabel::PlayLabel" << __LINE__ << mpvOptionsVariable
                                  << option.first << option.second << mpv_error_string(result);
            extrasAccepted = false;
        }
    }

    mpv_observe_property(mpv, 0, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(mpv, 0, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(mpv, 0, "eof-reached", MPV_FORMAT_FLAG);
    mpv_observe_property(mpv, 0, "seeking", MPV_FORMAT_FLAG);
    mpv_observe_property(mpv, 0, "core-idle", MPV_FORMAT_FLAG);
    mpv_observe_property(mpv, 0, "speed", MPV_FORMAT_DOUBLE);
    mpv_observe_property(mpv, 0, "track-list", MPV_FORMAT_NODE);
    mpv_observe_property(mpv, 0, "chapter-list", MPV_FORMAT_NODE);
    mpv_set_wakeup_callback(mpv, wakeup, this);

    if (!extrasAccepted || mpv_initialize(mpv) < 0) {
        mpv_set_wakeup_callback(mpv, nullptr, nullptr);
        mpv_terminate_destroy(mpv);
        mpv = nullptr;
        throw std::runtime_error("mpv failed to initialize");
    }

    setFocus(Qt::OtherFocusReason);
    connect(this, &PlayLabel::mpv_events, this, &PlayLabel::on_mpv_events, Qt::QueuedConnection);
    if (!outputApplied)
        connect(&output, &VideoOutputChoice::decided, this, &PlayLabel::applyOutputChoice);
}

void PlayLabel::applyOutputChoice()
{
    if (outputApplied || !mpv)
        return;
    outputApplied = true;
    const VideoOutputChoice &output = VideoOutputChoice::instance();
    for (const auto &option : output.options()) {
        // Before mpv_initialize these are options; afterwards the same names are properties.
        const int result = mpv_set_property_string(mpv, option.first.constData(),
                                                   option.second.constData());
        if (result < 0)
            qCWarning(lcPlayback) << "PlayLabel::applyOutputChoice" << __LINE__ << option.first
                                  << option.second << mpv_error_string(result);
    }
    showNoPictureNotice(!output.showsPicture());
    if (!pendingPath.isEmpty()) {
        const QString path = pendingPath;
        pendingPath.clear();
        command({"loadfile", path.toUtf8()});
        awaitingStart = true;
    }
}

void PlayLabel::showNoPictureNotice(bool show)
{
    if (show == !text().isEmpty())
        return;
    if (!show) {
        clear();
        return;
    }
    qCWarning(lcPlayback) << "PlayLabel: no video output shows a picture here";
    setStyleSheet(QStringLiteral("background:black; color:#d0d0d0"));
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    setText(tr("本机没有可用的视频输出，无法显示画面。"));
}

PlayLabel::~PlayLabel()
{
    // Runs before QWidget destroys the native window, so mpv never outlives its target.
    if (mpv) {
        mpv_set_wakeup_callback(mpv, nullptr, nullptr);
        mpv_terminate_destroy(mpv);
        mpv = nullptr;
    }
}

void PlayLabel::setOption(const char *name, const QString &value)
{
    if (!mpv)
        return;
    // Not waited for: libmpv's core may be busy opening a file for hundreds of milliseconds.
    // Requests reach the core in the order they were made, commands included; libmpv copies
    // the value. The name, always a literal, comes back with a refusal.
    const QByteArray text = value.toLocal8Bit();
    const char *valueText = text.constData();
    mpv_set_property_async(mpv, reinterpret_cast<uint64_t>(name), name, MPV_FORMAT_STRING,
                           &valueText);
}

void PlayLabel::holdStill(bool still)
{
    setOption("pause", still ? QStringLiteral("yes") : QStringLiteral("no"));
}

void PlayLabel::command(std::initializer_list<QByteArray> args)
{
    std::vector<const char *> argv;
    argv.reserve(args.size() + 1);
    for (const QByteArray &arg : args)
        argv.push_back(arg.constData());
    argv.push_back(nullptr);
    mpv_command_async(mpv, 0, argv.data());
}

void PlayLabel::on_file_close()
{
    qCDebug(lcPlayback) << "PlayLabel::on_file_close" << __LINE__;
    if (!mpv)
        return;
    pendingPath.clear();
    command({"stop"});
    on_file_Scale(keepRatio);
    zoom = 0.0f;
}

void PlayLabel::on_file_open(QString path)
{
    qCDebug(lcPlayback) << "PlayLabel::on_file_open" << __LINE__;
    if (!mpv)
        return;
    if (!outputApplied) {
        pendingPath = path; // loaded once the output is chosen
        return;
    }
    command({"loadfile", path.toUtf8()});
    awaitingStart = true;
    forgetReports();
}

void PlayLabel::forgetReports()
{
    // What libmpv reported belongs to the file before; the new one reports its own. Answers
    // still on their way are that file's too: a length or frame size arriving after the next
    // file was asked for must not pass for the next one's.
    durationRequest = pictureRequest = attributesRequest = 0;
    reportedPosition = reportedDuration = -1.0;
    reportedEnd = reportedSeeking = settled = false;
    reportedIdle = true;
}

void PlayLabel::on_file_contiue()
{
    qCDebug(lcPlayback) << "PlayLabel::on_file_contiue" << __LINE__;
    setOption("pause", QStringLiteral("no"));
    paused = false;
}

void PlayLabel::on_file_pause()
{
    qCDebug(lcPlayback) << "PlayLabel::on_file_pause" << __LINE__;
    setOption("pause", QStringLiteral("yes"));
    paused = true;
}

void PlayLabel::on_file_Scale(bool isKeepRatio)
{
    qCDebug(lcPlayback) << "PlayLabel::on_file_Scale" << __LINE__;
    keepRatio = isKeepRatio;
    qCWarning(lcPlayback) << "keep ration = " << (isKeepRatio ? 0 : 20);
    // Ignoring the original size stretches the picture over the pane. (A zoom of 20 would
    // enlarge it 2^20 times: video-zoom counts in powers of two.)
    setOption("keepaspect", isKeepRatio ? QStringLiteral("yes") : QStringLiteral("no"));
    setOption("video-zoom", QStringLiteral("0"));
    zoom = 0.0f; // what is applied now
}

bool PlayLabel::on_file_zoom_in()
{
    zoom = float(double(zoom) + 0.5);
    qCWarning(lcPlayback) << "zoomvalue = " << zoom;
    if (zoom > 3.0f) {
        zoom = 3.0f;
        return false;
    }
    setOption("video-zoom", number(zoom));
    return true;
}

bool PlayLabel::on_file_zoom_out()
{
    zoom = float(double(zoom) - 0.5);
    qCWarning(lcPlayback) << "zoomvalue = " << zoom;
    if (zoom < 0.0f) {
        zoom = 0.0f;
        return false;
    }
    if (zoom == 0.0f) {
        on_file_Scale(keepRatio); // back to the mode's own zoom
        return true;
    }
    setOption("video-zoom", number(zoom));
    return true;
}

void PlayLabel::on_file_Speed(float factor)
{
    qCDebug(lcPlayback) << "PlayLabel::on_file_Speed" << __LINE__;
    setOption("speed", number(factor));
}

void PlayLabel::on_file_volume(int v)
{
    if (v == volume)
        return;
    qCDebug(lcPlayback) << "PlayLabel::on_file_volume" << __LINE__;
    qCWarning(lcPlayback) << "set volume to " << v;
    setOption("volume", QString::number(v));
    volume = v;
}

void PlayLabel::on_file_seek(int seconds)
{
    qCDebug(lcPlayback) << "PlayLabel::on_file_seek" << __LINE__;
    if (!mpv)
        return;
    command({"seek", QString::number(seconds).toLatin1(), "absolute+exact"});
    settled = false;
}

void PlayLabel::shotImage(QString filepath)
{
    command({"screenshot-to-file", filepath.toUtf8()});
}

void PlayLabel::on_mpv_events()
{
    while (mpv) {
        mpv_event *event = mpv_wait_event(mpv, 0);
        if (event->event_id == MPV_EVENT_NONE || event->event_id == MPV_EVENT_SHUTDOWN)
            break;
        handleEvent(event);
    }
}

void PlayLabel::ask(Ask what, const char *property, int format, uint64_t request)
{
    // The request number above the kind of answer: both come back as the reply's userdata.
    mpv_get_property_async(mpv, (request << 8) | uint64_t(what), property, mpv_format(format));
}

void PlayLabel::reportFileAttributes(bool evenWithoutFrameSize)
{
    if (!attributesPending || !mpv)
        return;
    attributesRequest = ++lastRequest;
    attributeAnswers = 0;
    attributesEvenWithoutFrameSize = evenWithoutFrameSize;
    fileSize = frameWidth = frameHeight = 0;
    ask(Ask::FileSize, "file-size", MPV_FORMAT_INT64, attributesRequest);
    ask(Ask::Width, "width", MPV_FORMAT_INT64, attributesRequest);
    ask(Ask::Height, "height", MPV_FORMAT_INT64, attributesRequest);
}

void PlayLabel::applyFileAttributes()
{
    attributesRequest = 0;
    if (!attributesPending ||
        ((frameWidth <= 0 || frameHeight <= 0) && !attributesEvenWithoutFrameSize))
        return; // asked again at the next frame-size change or playback start
    attributesPending = false;
    qCWarning(lcPlayback) << "filesize is " << fileSize << "width = " << frameWidth
                          << "height = " << frameHeight;
    emit sigUpdateFileAttribute(fileSize, int(frameWidth), int(frameHeight));
}

void PlayLabel::handleAnswer(const mpv_event *event)
{
    const uint64_t request = event->reply_userdata >> 8;
    const auto what = Ask(event->reply_userdata & 0xff);
    const auto *property = static_cast<const mpv_event_property *>(event->data);
    // An unavailable property (no file, no video) answers with an error: read as nothing.
    const bool answered = event->error >= 0 && property && property->data;
    const auto integer = [&] {
        return answered && property->format == MPV_FORMAT_INT64
                   ? *static_cast<const int64_t *>(property->data)
                   : int64_t(0);
    };
    switch (what) {
    case Ask::Duration:
        if (request != durationRequest)
            return;
        durationRequest = 0;
        {
            const double duration = answered && property->format == MPV_FORMAT_DOUBLE
                                        ? *static_cast<const double *>(property->data)
                                        : 0.0;
            qCWarning(lcPlayback) << "duration is " << duration << " and ret is " << event->error;
            emit sigSetVideoRange(float(duration));
        }
        return;
    case Ask::FileSize:
    case Ask::Width:
    case Ask::Height:
        if (request != attributesRequest)
            return;
        (what == Ask::FileSize ? fileSize : what == Ask::Width ? frameWidth : frameHeight) =
            integer();
        if (++attributeAnswers == 3)
            applyFileAttributes();
        return;
    case Ask::Video:
    case Ask::OutputConfigured:
        if (request != pictureRequest)
            return;
        if (what == Ask::Video) {
            const char *vid = answered && property->format == MPV_FORMAT_STRING
                                  ? *static_cast<const char *const *>(property->data)
                                  : nullptr;
            hasVideo = vid && qstrcmp(vid, "no") != 0;
        } else {
            outputConfigured = answered && property->format == MPV_FORMAT_FLAG &&
                               *static_cast<const int *>(property->data);
        }
        if (++pictureAnswers == 2) {
            pictureRequest = 0;
            // The chosen output can still fail on a given file (a driver refusing its frame
            // size).
            if (VideoOutputChoice::instance().showsPicture())
                showNoPictureNotice(hasVideo && !outputConfigured);
        }
        return;
    }
}

void PlayLabel::handleEvent(const mpv_event *event)
{
    switch (event->event_id) {
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto *property = static_cast<const mpv_event_property *>(event->data);
        // MPV_FORMAT_NONE: the property is gone (no file, or the file is closing).
        const bool flag = property->format == MPV_FORMAT_FLAG &&
                          *static_cast<const int *>(property->data);
        const double number = property->format == MPV_FORMAT_DOUBLE
                                  ? *static_cast<const double *>(property->data)
                                  : -1.0;
        if (qstrcmp(property->name, "eof-reached") == 0) {
            reportedEnd = flag;
            if (flag && fileStarted && !awaitingStart)
                emit sigEndHeld();
        } else if (qstrcmp(property->name, "seeking") == 0) {
            reportedSeeking = flag;
        } else if (qstrcmp(property->name, "duration") == 0) {
            reportedDuration = number;
        } else if (qstrcmp(property->name, "core-idle") == 0) {
            // Running again: the position moves on from the last report as of now.
            if (reportedIdle && !flag)
                positionClock.start();
            reportedIdle = flag || property->format != MPV_FORMAT_FLAG;
        } else if (qstrcmp(property->name, "speed") == 0) {
            reportedSpeed = number > 0.0 ? number : 1.0;
        } else if (qstrcmp(property->name, "time-pos") == 0) {
            reportedPosition = number;
            positionClock.start();
            if (property->format == MPV_FORMAT_DOUBLE && !awaitingStart)
                emit sigProgressChange(float(number));
        }
        break;
    }
    case MPV_EVENT_GET_PROPERTY_REPLY:
        handleAnswer(event);
        break;
    case MPV_EVENT_SET_PROPERTY_REPLY:
        if (event->error < 0)
            qCWarning(lcPlayback) << "PlayLabel: libmpv refused the setting"
                                  << reinterpret_cast<const char *>(event->reply_userdata) << "-"
                                  << mpv_error_string(event->error);
        break;
    case MPV_EVENT_FILE_LOADED: {
        if (awaitingStart)
            break; // the file before's, loaded just before it was let go
        // mpv often learns the frame size only from the first decoded frame, a moment after
        // the file is loaded; then the attributes follow as soon as it knows.
        attributesPending = true;
        reportFileAttributes(false);
        durationRequest = ++lastRequest;
        ask(Ask::Duration, "duration", MPV_FORMAT_DOUBLE, durationRequest);
        break;
    }
    case MPV_EVENT_START_FILE:
        qCWarning(lcPlayback, "event->event_id %d", int(event->event_id));
        fileStarted = true;
        awaitingStart = false;
        replacing = false;
        forgetReports(); // a last report of the file before may have come in since it was sent
        break;
    case MPV_EVENT_END_FILE: {
        qCWarning(lcPlayback, "event->event_id %d", int(event->event_id));
        fileStarted = false;
        forgetReports(); // answers still on their way belong to the file that has ended
        const auto *end = static_cast<const mpv_event_end_file *>(event->data);
        if (replacing && !(end && end->reason == MPV_END_FILE_REASON_ERROR)) {
            replacing = false; // the replaced file's end: playback goes on with the next
            attributesRequest = 0;
            break;
        }
        if (awaitingStart) {
            // The end of the file before the one asked for (stopped, or run out, a moment
            // before): its session is over and the new file reports its own.
            attributesRequest = 0;
            break;
        }
        // A file that ends before its attributes were known reports none: once it has ended,
        // libmpv has none to give.
        if (attributesPending) {
            attributesRequest = 0;
            fileSize = frameWidth = frameHeight = 0;
            attributesEvenWithoutFrameSize = true;
            applyFileAttributes();
        }
        // A truncated, empty or non-video file ends at once with an error, and the player
        // stays idle afterwards.
        if (end && end->reason == MPV_END_FILE_REASON_ERROR) {
            const QString reason = QString::fromUtf8(mpv_error_string(end->error));
            qCWarning(lcPlayback) << "PlayLabel: the file cannot be played:" << reason;
            emit sigPlayFailed(reason);
        }
        emit sigPlayFinish();
        break;
    }
    case MPV_EVENT_VIDEO_RECONFIG:
        qCWarning(lcPlayback, "event->event_id %d", int(event->event_id));
        if (!awaitingStart)
            reportFileAttributes(false);
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        qCWarning(lcPlayback, "event->event_id %d", int(event->event_id));
        if (awaitingStart)
            break;
        settled = true;
        reportFileAttributes(true); // a file without video has no frame size to wait for
        checkPictureShown();
        emit sigPlaybackRestart();
        break;
    case MPV_EVENT_COMMAND_REPLY:
        qCWarning(lcPlayback, "event->event_id %d", int(event->event_id));
        emit sigCommandReplay();
        break;
    default:
        qCWarning(lcPlayback, "event->event_id %d", int(event->event_id));
        break;
    }
}

void PlayLabel::checkPictureShown()
{
    if (!VideoOutputChoice::instance().showsPicture() || !mpv)
        return; // the notice is already up
    pictureRequest = ++lastRequest;
    pictureAnswers = 0;
    ask(Ask::Video, "vid", MPV_FORMAT_STRING, pictureRequest);
    ask(Ask::OutputConfigured, "vo-configured", MPV_FORMAT_FLAG, pictureRequest);
}

double PlayLabel::position() const
{
    // Frames come every few hundredths of a second; a longer silence is a player that has
    // fallen behind, not one that moves on unseen.
    constexpr double kLongestUnreported = 0.2;
    if (reportedPosition < 0.0 || !settled || reportedIdle || reportedSeeking || reportedEnd ||
        !positionClock.isValid())
        return reportedPosition;
    const double since = std::min(double(positionClock.nsecsElapsed()) / 1e9, kLongestUnreported);
    const double at = reportedPosition + since * reportedSpeed;
    return reportedDuration > 0.0 ? std::min(at, reportedDuration) : at;
}

double PlayLabel::exactPosition() const
{
    double value = -1.0;
    if (!mpv || mpv_get_property(mpv, "time-pos", MPV_FORMAT_DOUBLE, &value) < 0)
        return -1.0;
    return value;
}

void PlayLabel::seekTo(double seconds, bool exact)
{
    if (!mpv)
        return;
    command({"seek", QByteArray::number(qMax(0.0, seconds), 'f', 3),
             exact ? QByteArrayLiteral("absolute+exact") : QByteArrayLiteral("absolute+keyframes")});
    settled = false;
}

void PlayLabel::setRate(double rate)
{
    if (mpv)
        mpv_set_property_async(mpv, reinterpret_cast<uint64_t>("speed"), "speed",
                               MPV_FORMAT_DOUBLE, &rate);
}

void PlayLabel::replaceFile(const QString &path)
{
    if (!mpv)
        return;
    replacing = fileStarted;
    command({"loadfile", path.toUtf8()});
    awaitingStart = true;
    forgetReports();
    // Held at its end, the player paused itself; the next file plays.
    on_file_contiue();
}

void PlayLabel::setHoldLastFrame(bool hold)
{
    setOption("keep-open", hold ? QStringLiteral("yes") : QStringLiteral("no"));
}
