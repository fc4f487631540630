#pragma once

#include "lubasicwidget.h"

#include <QList>
#include <QModelIndex>
#include <QMutex>
#include <QPointer>
#include <QMenu>
#include <QRect>

#include <cstdint>

class ChannelSync;
class ClipExportDialog;
struct Drive;
struct DrivingEvent;
class HWPlayWidget;
class LuFileInfoModel;
class QPushButton;
class TrackLoader;
class MapBridge;
class ModelBatch;

namespace Ui {
class KestroMainWidget;
}

// The viewer's one top-level window: the frame and its actions (kestromainwidget.cpp,
// kestromainwidget_layout.cpp), the playback session across the three panes
// (kestromainwidget_session.cpp) and the bridge to the map page with the per-second telemetry
// (kestromainwidget_map.cpp) and the drives of several recordings (kestromainwidget_drive.cpp).
class KestroMainWidget : public LuBasicWidget
{
    Q_OBJECT

public:
    explicit KestroMainWidget(QWidget *parent = nullptr);
    ~KestroMainWidget() override;

    static KestroMainWidget *instance();

    // Session operations.
    void addFilePath(const QString &path);
    // Adds many at once: a card's folder is hundreds of files, each checked against the list.
    void addFilePaths(const QStringList &paths);
    // Adds the files and shows the list: a few at once, more once a worker has built their
    // models (up to this many are built here).
    static constexpr int kModelsBuiltHere = 64;
    void listFilePaths(const QStringList &paths);
    // Batches of files whose models a worker is still building.
    int modelsPending() const;
    void playSelectFile(const QString &path);
    void autoPlayFile(LuFileInfoModel *model);
    // The next recording, when it continues the open one's drive with as many channels: it
    // follows without a blank picture (kestromainwidget_continuous.cpp).
    LuFileInfoModel *nextInDrive() const;
    // The recording the list plays after a continuous run of a drive ends.
    LuFileInfoModel *nextAfterRun() const;
    // The list's next recording after the one whose last channel is anchor.
    LuFileInfoModel *recordingAfter(LuFileInfoModel *anchor, bool wrap) const;
    LuFileInfoModel *findNextRecording(bool wrap) const;
    void setPlayControlsEnabled(bool enabled);
    void resetInfoDisplay();
    static QString formatPlayTime(int seconds);
    // Channels of the recording a model belongs to, counted through its links.
    static int recordingChannelCount(const LuFileInfoModel *model);

    // Adds files to the library and plays the first, as a drop of them does.
    void openFiles(const QStringList &paths);
    // Files named on the command line (by a file manager's "open with"): existing video files
    // are opened as if dropped; anything else is logged and skipped.
    void openFilesFromArguments(const QStringList &arguments);
    // Writes a file's track, valid fixes only, as GPX 1.1 or, for a ".csv" path, as CSV.
    static bool exportTrack(LuFileInfoModel *model, const QString &path);
    // Writes a drive's track, every recording's fixes in time order, on a worker thread;
    // exported(ok) follows on the window's thread.
    void exportDriveTrack(const QList<LuFileInfoModel *> &recordings, const QString &path);
    // A recording of the drive on the map, at a second of it: the map page's ids are indices
    // into the drive drawn last.
    void playRecordingAt(int id, int second);

    // Frame operations.
    void layoutPlayWidgets(QPoint origin, QSize size);
    void switchFullScreen(bool on);
    void loadMap();
    void drawTrackOnMap();
    // Accepted video paths of a drop, in order: local files whose name, from its fifth character
    // on, holds ".mp4", ".mov" or ".ts" in any letter case.
    static QStringList filterVideoPaths(const QList<QUrl> &urls);
    // The open dialog's name filter. Cameras write upper-case names, and a desktop's native
    // dialog may match case-sensitively, so both cases are listed.
    static QString videoFileFilter();
    // The 4-pixel resize band under a point in window coordinates (no edges when none).
    Qt::Edges resizeEdgesAt(const QPoint &pos) const;

    // Read by tests and the map bridge.
    const QList<LuFileInfoModel *> &libraryModels() const { return m_libraryModels; }
    int playState() const { return m_playState; }
    int splitType() const { return m_splitType; }
    int channelCount() const { return m_channelCount; }
    bool isInFullScreen() const { return m_isFullScreen; }
    LuFileInfoModel *channelModel(int channel) const;
    Ui::KestroMainWidget *form() const { return ui; }
    QMenu *lastContextMenu() const { return m_contextMenu; }
    // Clip export: the in- (true) or out-point at the current position, and the dialog for
    // the open recording (model null or one of its channels) or for another file's recording.
    void setClipPoint(bool in);
    void clearClipPoints();
    ClipExportDialog *showClipExport(LuFileInfoModel *model);
    double clipIn() const { return m_clipIn; }
    double clipOut() const { return m_clipOut; }
    // Driving events: the tool tip of a tick, and a jump to the lead-up of the next (1) or
    // previous (-1) one in every channel.
    static QString drivingEventText(const DrivingEvent &event);
    void jumpToDrivingEvent(int direction);
    // Every channel to this second of the recording, playing or paused as before.
    void seekToSecond(int second);

public slots:
    // Session.
    void playStartSlot();
    void stopPlay();
    void onStopPlay();
    void playEndSlot();
    // Pane 1's file cannot be played; its end-of-file report follows at once.
    void playFailedSlot(const QString &reason);
    void updateVideoDurationSlot(float duration);
    void updateVideoProgressSlot(float progress);
    void slotUpdateFileAttribute(int64_t filesize, int width, int height);
    void willDeleteFileSlot(QModelIndex index);
    void autoPlayNext(LuFileInfoModel *fileModel);
    void on_pushBtn_open_dir_clicked();
    void on_treeView_filelist_doubleClicked(QModelIndex index);
    void on_pushBtn_play_clicked();
    void on_pushBtn_stop_clicked();
    void on_pushBtn_lastFrame_clicked();
    void on_pushBtn_nextFrame_clicked();
    void on_pushBtn_capture_clicked();
    void on_pushBtn_speed_slow_2_clicked();
    void on_pushBtn_speed_slow_1_clicked();
    void on_pushBtn_speed_normal_clicked();
    void on_pushBtn_speed_fast_1_clicked();
    void on_pushBtn_speed_fast_2_clicked();
    void on_pushBtn_speed_fast_3_clicked();
    void on_horizontalSlider_progress_valueChanged(int value);
    void on_horizontalSlider_progress_sliderPressed();
    void on_horizontalSlider_progress_sliderReleased();
    // Map and telemetry.
    void updateProgress(int index);
    // A channel's track, read by a worker, has arrived: the open recording shows it.
    void trackReadySlot(LuFileInfoModel *model);
    // Sorts and links the library, shows it in the file list and queues the tracks not read yet.
    void showFileList();
    void modelBatchBuilt(const QList<LuFileInfoModel *> &models);
    void posChangedSlot(double pos);
    void mapLoadFinishedSlot(bool isok);
    // Frame.
    void showAppSettingSlot();
    void on_pushBtn_setting_clicked();
    void willCloseSlot();
    void showCustomMenuSlot(void *data);
    void keepVideoAspectSlot();
    void playWidgetKeyEventSlot(int key);
    void on_pushBtn_fullscreen_clicked();
    void on_pushBtn_pipe_clicked();
    void on_pushBtn_zoom_in_clicked();
    void on_pushBtn_zoom_out_clicked();
    void on_pushBtn_mute_clicked();
    void on_horizontalSlider_volume_valueChanged(int value);
    // The file list's own menu: export the track of the file under the pointer, or of the
    // drive whose header is under it.
    void showFileListMenu(const QPoint &pos);
    // A drive's header double-clicked: its first recording plays, the next ones follow.
    void playDrive(LuFileInfoModel *firstRecording);

signals:
    void driveTrackExported(bool ok);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Takes the models into the library, dropping those whose file is listed already.
    void adoptModels(const QList<LuFileInfoModel *> &models);
    // Adds the files of batches still being built to the remembered list.
    void rememberPendingFiles();
    // Clears every playing mark but this recording's.
    void keepPlayingMark(const QString &identityPath);
    void showDrivingEvents();
    // The recording a model belongs to becomes the open one: channels, track, map, instruments.
    void bindRecording(LuFileInfoModel *model, bool keepLayout);
    // Each pane opens its channel of the bound recording, or loads it in place of the held one.
    void loadChannels(bool continuing);
    // Pane 1 holds its last frame when a recording of the same drive follows.
    void prepareContinuation();
    void masterEndHeld();
    void continueInto(LuFileInfoModel *next);
    void showDriveMenu(const Drive &drive, const QPoint &pos);
    // The drive option of the map page for the open recording's drive (empty without one of
    // several recordings); sets the recordings the page may ask for.
    QString driveMapOption();
    bool belongsToDrawnDrive(const LuFileInfoModel *model) const;
    // The map page's options: speed colours in the chosen unit and the events with their texts.
    QString mapOptions() const;
    void setToolTips();
    void layoutWindow();
    void doExit();
    void clearAutoNext();
    void setSpeed(QPushButton *button, float rate);
    void startPendingAfterStop(LuFileInfoModel *target);
    void showCannotPlay();
    bool libraryHoldsOnlyTheOpenRecording() const;
    QList<HWPlayWidget *> panes() const;
    QString routeTextForMap(const LuFileInfoModel *model) const;
    // Every menu of the window gets the window's dark look.
    static void styleMenu(QMenu *menu);
    void runPageScript(const QString &script);

    Ui::KestroMainWidget *ui;
    // Frame.
    bool m_isFullScreen = false;
    QRect m_restoreRect;
    QSize m_restoreMinimumSize;
    int m_channelCount = 1;
    int m_splitType = 1;
    int m_savedVolume = 0;
    QPointer<QMenu> m_contextMenu;
    // Session.
    QList<LuFileInfoModel *> m_libraryModels;
    ModelBatch *m_modelBatch = nullptr; // builds the models of large batches on a worker
    LuFileInfoModel *m_channelModel1 = nullptr;
    LuFileInfoModel *m_channelModel2 = nullptr;
    LuFileInfoModel *m_channelModel3 = nullptr;
    int m_playState = 0;
    bool m_autoNext = true;
    bool m_pendingPlay = false;
    LuFileInfoModel *m_pendingModel = nullptr;
    QPointer<LuFileInfoModel> m_runStart; // where the recordings playing on from one another began
    bool m_masterFailed = false; // set by pane 1's failure report, taken by its end report
    bool m_sliderPressed = false;
    float m_maxSpeedKnots = 0;
    double m_clipIn = -1; // seconds, -1 when not set
    double m_clipOut = -1;
    QMutex m_sessionMutex;
    bool m_mapReady = false; // the map page has loaded: its script functions exist
    ChannelSync *m_channelSync = nullptr; // keeps panes 2 and 3 on pane 1's time
    TrackLoader *m_trackLoader = nullptr;
    MapBridge *m_mapBridge = nullptr; // what the map page may ask: a seek
    QList<LuFileInfoModel *> m_mapDriveRecordings; // the drive on the map, by page id
    LuFileInfoModel *m_seekOnStartModel = nullptr; // started from the map: seek once it runs
    int m_seekOnStartSecond = 0;
    bool m_driveRedrawPending = false; // routes of the drive arriving: one redraw for a burst
};
