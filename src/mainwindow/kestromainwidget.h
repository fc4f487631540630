#pragma once

#include "lubasicwidget.h"

#include <QList>
#include <QMenu>
#include <QModelIndex>
#include <QPointer>
#include <QRect>

#include <cstdint>

class ClipExportDialog;
class ClipMarks;
class DrivingEventTools;
class HWPlayWidget;
class Library;
class LuFileInfoModel;
class MapView;
class PlaybackSession;
class QPushButton;
class ResizeBands;
class TelemetryDisplay;
class TrackExportActions;

namespace Ui {
class KestroMainWidget;
}

// The viewer's one top-level window: the frame around its parts. It builds the library, the
// playback session, the map and telemetry and the incident tools, hands each the widgets of the
// form it drives, and wires them together; of its own it keeps the layout of the panes, full
// screen, the keys, menus and drops. The slots below keep the form's and the callers' names and
// pass each request on to the part that owns it.
class KestroMainWidget : public LuBasicWidget
{
    Q_OBJECT

public:
    explicit KestroMainWidget(QWidget *parent = nullptr);
    ~KestroMainWidget() override;

    static KestroMainWidget *instance();

    Library *library() const { return m_library; }
    PlaybackSession *session() const { return m_session; }
    MapView *map() const { return m_map; }
    TelemetryDisplay *telemetry() const { return m_telemetry; }
    DrivingEventTools *drivingEvents() const { return m_events; }
    ClipMarks *clipMarks() const { return m_clips; }
    TrackExportActions *trackExport() const { return m_trackExport; }
    Ui::KestroMainWidget *form() const { return ui; }

    // Adding and opening files.
    void addFilePath(const QString &path);
    void listFilePaths(const QStringList &paths);
    int modelsPending() const;
    void playSelectFile(const QString &path);
    void autoPlayFile(LuFileInfoModel *model);
    void autoPlayNext(LuFileInfoModel *model);
    // Sorts and links the library and shows it in the file list.
    void showFileList();
    // Adds files to the library and plays the first, as a drop of them does.
    void openFiles(const QStringList &paths);
    // Files named on the command line (by a file manager's "open with"): existing video files
    // are opened as if dropped; anything else is logged and skipped.
    void openFilesFromArguments(const QStringList &arguments);
    // Accepted video paths of a drop, in order: local files whose name, from its fifth character
    // on, holds ".mp4", ".mov" or ".ts" in any letter case.
    static QStringList filterVideoPaths(const QList<QUrl> &urls);
    // The open dialog's name filter. Cameras write upper-case names, and a desktop's native
    // dialog may match case-sensitively, so both cases are listed.
    static QString videoFileFilter();

    // The state the tests and tools read.
    const QList<LuFileInfoModel *> &libraryModels() const;
    int playState() const;
    int channelCount() const;
    LuFileInfoModel *channelModel(int channel) const;
    int splitType() const { return m_splitType; }
    bool isInFullScreen() const { return m_isFullScreen; }
    QMenu *lastContextMenu() const { return m_contextMenu; }

    // Frame operations.
    void layoutPlayWidgets(QPoint origin, QSize size);
    void switchFullScreen(bool on);
    void loadMap();
    void drawTrackOnMap();
    void resetInfoDisplay();
    static QString formatPlayTime(int seconds);
    // Channels of the recording a model belongs to, counted through its links.
    static int recordingChannelCount(const LuFileInfoModel *model);
    // The 4-pixel resize band under a point in window coordinates (no edges when none).
    Qt::Edges resizeEdgesAt(const QPoint &pos) const;

public slots:
    void playStartSlot();
    void stopPlay();
    void onStopPlay();
    void playEndSlot();
    void updateVideoDurationSlot(float duration);
    void updateVideoProgressSlot(float progress);
    void slotUpdateFileAttribute(int64_t filesize, int width, int height);
    void willDeleteFileSlot(QModelIndex index);
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
    void updateProgress(int index);
    void posChangedSlot(double pos);
    void mapLoadFinishedSlot(bool isok);
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

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildParts();
    void wireParts();
    void setToolTips();
    void layoutWindow();
    void doExit();
    void setPlayControlsEnabled(bool enabled);
    void setSpeed(QPushButton *button, float rate);
    QList<HWPlayWidget *> panes() const;

    Ui::KestroMainWidget *ui;
    Library *m_library = nullptr;
    PlaybackSession *m_session = nullptr;
    MapView *m_map = nullptr;
    TelemetryDisplay *m_telemetry = nullptr;
    DrivingEventTools *m_events = nullptr;
    ClipMarks *m_clips = nullptr;
    TrackExportActions *m_trackExport = nullptr;
    ResizeBands *m_resizeBands = nullptr;
    bool m_isFullScreen = false;
    QRect m_restoreRect;
    QSize m_restoreMinimumSize;
    int m_splitType = 1;
    int m_savedVolume = 0;
    QPointer<QMenu> m_contextMenu;
};
