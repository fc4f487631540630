#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QString>

#include <cstdint>

struct mpv_handle;

// The video surface of one playback pane: libmpv draws straight into this label's native
// window. Requests become libmpv options and asynchronous commands; libmpv's events come back
// as signals on the GUI thread. One libmpv instance per label, alive from construction to
// destruction.
//
// The constructor takes the native window id, so the label must be created inside its final
// window and never reparented afterwards. It throws std::runtime_error when libmpv cannot be
// created or initialised (see playerstartup.h for how the program reports that).
class PlayLabel : public QLabel
{
    Q_OBJECT

public:
    explicit PlayLabel(QWidget *parent = nullptr);
    ~PlayLabel() override;

    float zoomValue() const { return zoom; }
    bool isPaused() const { return paused; }
    int volumeValue() const { return volume; }
    bool keepsRatio() const { return keepRatio; }
    // A file has started and not ended yet: only then does a stop bring an end-of-file report.
    bool hasFile() const { return fileStarted; }
    // For reading libmpv's state (tests, benchmark); requests go through the slots.
    mpv_handle *mpvHandle() const { return mpv; }

    // Keeping several players in step (ChannelSync): where this one is, and whether its file
    // is over, from libmpv's reports, without waiting for its core (busy for hundreds of
    // milliseconds while a file opens); -1 while no file plays. While it plays, the position
    // is the last report moved on by the time since at the player's rate: at 15x a report a
    // few frames old is half a second behind, by a different amount in each player.
    double position() const;
    double fileDuration() const { return reportedDuration; }
    bool endReached() const { return reportedEnd; }
    bool isSeeking() const { return reportedSeeking; }
    // The position asked of libmpv now, even while a file opens: right after the player's own
    // seek has landed, before the report of it may have arrived.
    double exactPosition() const;
    // Pauses or resumes playback without touching the pane's own pause state (flip-book pages).
    void holdStill(bool still);
    // Seconds, to the frame (exact) or to the nearest key frame before (fast, for dragging).
    void seekTo(double seconds, bool exact);
    void setRate(double rate);
    // A player that stops on its last frame instead of closing the file at its end.
    void setHoldLastFrame(bool hold);
    // The next file in place of the current one, playing on: the picture stays up until the
    // new file's first frame, and no end of file is reported for the one replaced.
    void replaceFile(const QString &path);

signals:
    void mpv_events();
    void sigProgressChange(float seconds);
    void sigSetVideoRange(float seconds);
    void sigUpdateFileAttribute(int64_t filesize, int width, int height);
    void sigPlayFinish();
    // The file could not be played (emitted just before sigPlayFinish); libmpv's reason.
    void sigPlayFailed(const QString &reason);
    void sigPlaybackRestart();
    void sigCommandReplay();
    // A player holding its last frame has reached the end of its file.
    void sigEndHeld();

public slots:
    void on_file_close();
    void on_file_open(QString path);
    void on_file_contiue();
    void on_file_pause();
    void on_file_Scale(bool isKeepRatio);
    bool on_file_zoom_in();
    bool on_file_zoom_out();
    void on_file_Speed(float factor);
    void on_file_volume(int v);
    void on_file_seek(int seconds);
    void on_mpv_events();
    void shotImage(QString filepath);
    void applyOutputChoice();

private:
    // What is read from libmpv while it handles an event is asked for without waiting: a
    // synchronous read waits for libmpv's core, which can be busy for hundreds of milliseconds
    // while it opens a file and its video output. Each answer names the request it belongs to;
    // answers to a request overtaken by a newer one are dropped.
    enum class Ask : uint64_t { Duration, FileSize, Width, Height, Video, OutputConfigured };
    void ask(Ask what, const char *property, int format, uint64_t request);
    void handleAnswer(const struct mpv_event *event);
    void handleEvent(const struct mpv_event *event);
    void reportFileAttributes(bool evenWithoutFrameSize);
    void applyFileAttributes();
    void forgetReports();
    void setOption(const char *name, const QString &value);
    void command(std::initializer_list<QByteArray> args);
    void showNoPictureNotice(bool show);
    void checkPictureShown();

    bool replacing = false; // the end about to be reported is that of a replaced file
    // A file was asked for and has not started yet: what libmpv reports until then (the last
    // load, progress and end of the file before) belongs to the file before, whose session is
    // over, and must not pass for the new one's.
    bool awaitingStart = false;
    bool keepRatio = true;
    float zoom = 0.0f;
    bool paused = false;
    int volume = 100;
    mpv_handle *mpv = nullptr;
    bool attributesPending = false; // loaded, frame size not reported yet
    double reportedPosition = -1.0;
    double reportedDuration = -1.0;
    bool reportedEnd = false;
    bool reportedSeeking = false;
    bool settled = false; // playback restarted since the last file or seek sent
    bool reportedIdle = true; // paused, opening, seeking or waiting for data
    double reportedSpeed = 1.0;
    QElapsedTimer positionClock; // since the last position report, or since running again
    uint64_t lastRequest = 0;       // numbers the asks; 0 is no request
    uint64_t durationRequest = 0;
    uint64_t pictureRequest = 0;
    int pictureAnswers = 0;
    bool hasVideo = false, outputConfigured = false;
    uint64_t attributesRequest = 0;
    int attributeAnswers = 0;
    bool attributesEvenWithoutFrameSize = false;
    int64_t fileSize = 0, frameWidth = 0, frameHeight = 0;
    bool outputApplied = false;     // the chosen video output is set
    QString pendingPath;            // opened before the output was chosen
    bool fileStarted = false;
};
