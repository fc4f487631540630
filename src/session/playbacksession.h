#pragma once

#include <QList>
#include <QMutex>
#include <QObject>

class ChannelSync;
class HWPlayWidget;
class Library;
class LuCoverWidget;
class LuFileInfoModel;
class LuProgressSlider;

// The widgets of the players the session drives: three to six panes (pane 1 is the master), the
// cover shown over them while nothing plays, and the progress bar.
struct SessionViews
{
    QList<HWPlayWidget *> panes;
    LuCoverWidget *cover = nullptr;
    LuProgressSlider *progress = nullptr;
};

// One recording open in its channels at a time: which file each pane plays, the play, pause and
// stop states, the end of a file and what follows it (the next recording of the drive without a
// break, else the list's next one), previous and next, rates and seeks shared by every channel,
// and files that cannot be played.
class PlaybackSession : public QObject
{
    Q_OBJECT

public:
    enum State { Stopped = 0, Paused = 1, Playing = 2 };

    PlaybackSession(Library *library, const SessionViews &views, QObject *parent = nullptr);

    int state() const { return m_playState; }
    // Channel 1 is the master; null when the recording has fewer channels or none is open.
    LuFileInfoModel *channel(int number) const;
    LuFileInfoModel *master() const { return m_channelModel1; }
    QList<LuFileInfoModel *> openChannels() const;
    bool isOpen(const LuFileInfoModel *model) const;
    int channelCount() const { return m_channelCount; }
    // The master's position in seconds, -1 while it has none.
    double position() const;
    // The whole seconds the progress bar reaches, and the second it shows.
    int lastSecond() const;
    int shownSecond() const;
    ChannelSync *sync() const { return m_channelSync; }

    // Opens the recording model belongs to and plays it at once.
    void open(LuFileInfoModel *model);
    // The user chose a recording: at once when nothing plays, else once pane 1 reports the stop.
    void choose(LuFileInfoModel *model);
    // Chosen from the map or a drive: plays from that second once its length is known.
    void playFrom(LuFileInfoModel *model, int second);
    void togglePause();
    // The user stopped: nothing starts afterwards.
    void stopByUser();
    // Ends the session; what follows is decided by the end report of pane 1.
    void stop();
    // Stops and leaves nothing to start by itself (closing, deleting the open file).
    void end();
    void previous();
    void next();
    // A picture of every open channel, numbered on from the last one taken, into the snapshot
    // folder.
    void capture();
    // Every channel at this rate; false without an open recording.
    bool setRate(double rate);
    // Every channel to this second (bounded by the recording), playing or paused as before.
    void seekToSecond(int second);
    // The progress bar's handle: pressed, moved by the user, released.
    void handlePressed();
    void handleMoved(int value);
    void handleReleased();
    // A click on the progress bar, as a fraction of its length.
    void clickedAt(double fraction);

    // What pane 1 reports (connected at construction; callable for the window's own slots).
    void masterStarted();
    void durationReported(float duration);
    void progressReported(float progress);
    void attributesReported(int width, int height);
    void masterFailed(const QString &reason);
    void masterEnded();
    void masterEndHeld();
    // The list changed: a recording added or removed may continue the open one's drive.
    void prepareContinuation();

signals:
    void stateChanged(int state);
    // A recording is bound to the panes; continuing when it follows the last one of its drive
    // without a break (the layout stays).
    void recordingBound(bool continuing);
    // The recording plays in every pane: after recordingBound and the state change.
    void opened();
    void stopped();
    void positionChanged(int second);
    void durationChanged(float seconds);
    void attributesChanged(int width, int height);
    // Playing marks of the list's files changed.
    void marksChanged();

private:
    void clearAutoNext();
    void bindRecording(LuFileInfoModel *model, bool keepLayout);
    void loadChannels(bool continuing);
    void continueInto(LuFileInfoModel *next);
    void startPendingAfterStop(LuFileInfoModel *target);
    void autoPlayNext(LuFileInfoModel *model);
    void showCannotPlay();
    LuFileInfoModel *findNextRecording(bool wrap) const;
    void forget(LuFileInfoModel *model);

    Library *m_library;
    SessionViews m_views;
    ChannelSync *m_channelSync = nullptr; // keeps the other panes on pane 1's time
    LuFileInfoModel *m_channelModel1 = nullptr; // the master, m_channels' first
    QList<LuFileInfoModel *> m_channels;         // in pane order
    int m_channelCount = 1;
    int m_playState = Stopped;
    bool m_autoNext = true;
    bool m_pendingPlay = false;
    LuFileInfoModel *m_pendingModel = nullptr;
    // The recordings played on from one another since the last open, front channels.
    QList<LuFileInfoModel *> m_run;
    bool m_masterFailed = false; // set by pane 1's failure report, taken by its end report
    bool m_sliderPressed = false;
    LuFileInfoModel *m_seekOnStartModel = nullptr; // started from the map: seek once it runs
    int m_seekOnStartSecond = 0;
    QMutex m_sessionMutex;
};
