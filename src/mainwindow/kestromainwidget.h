#pragma once

#include "lubasicwidget.h"

#include <QList>
#include <QMenu>
#include <QModelIndex>
#include <QPointer>
#include <QRect>

#include <array>

class ArchivePanel;
class ClipMarks;
class DrivingEventTools;
class ExternalTracks;
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

// The viewer's one top-level window, a frame around its parts: it builds the library, the
// playback session, the map and telemetry and the incident tools, hands each the widgets it
// drives and wires them; it keeps the panes' layout, full screen, keys, menus and drops. The
// slots keep the form's and the callers' names and pass each request on to its part.
class KestroMainWidget : public LuBasicWidget
{
    Q_OBJECT

public:
    explicit KestroMainWidget(QWidget *parent = nullptr);
    ~KestroMainWidget() override;

    Library *library() const { return m_library; }
    PlaybackSession *session() const { return m_session; }
    Ui::KestroMainWidget *form() const { return ui; }
    ArchivePanel *archive() const { return m_archive; }

    // Adding and opening files.
    void playSelectFile(const QString &path);
    // Adds files to the library and plays the first, as a drop of them does.
    void openFiles(const QStringList &paths);
    // Files and folders named on the command line, opened as if dropped: tracks (.gpx, .kml,
    // .nmea) are loaded as tracks wherever they stand among the videos.
    void openFilesFromArguments(const QStringList &arguments);
    // Dropped or chosen files and folders: every recording in them is added, the first played;
    // a folder with none says so.
    void openPaths(const QStringList &paths);
    // Tracks among the paths are loaded as tracks, the rest opened by openPaths.
    void openPathsAndTracks(const QStringList &paths);

    // The state the tests and tools read.
    const QList<LuFileInfoModel *> &libraryModels() const;
    int playState() const;
    int channelCount() const;
    LuFileInfoModel *channelModel(int channel) const;
    int splitType() const { return m_splitType; }
    int soloPane() const { return m_soloPane; }
    bool isInFullScreen() const { return m_isFullScreen; }
    QMenu *lastContextMenu() const { return m_contextMenu; }

    // Frame operations.
    void layoutPlayWidgets(QPoint origin, QSize size);
    void switchFullScreen(bool on);
    void loadMap();
    // The resize bands under a point in window coordinates.
    Qt::Edges resizeEdgesAt(const QPoint &pos) const;

public slots:
    void updateVideoDurationSlot(float duration);
    void updateVideoProgressSlot(float progress);
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

signals:
    // The settings dialog stored new settings; reloadMap when the map or its language changed.
    void settingsApplied(bool reloadMap);

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
    void layoutWindow();
    void doExit();
    void setPlayControlsEnabled(bool enabled);
    void setSpeed(QPushButton *button, float rate);
    QList<HWPlayWidget *> panes() const;
    // The car's camera each pane shows, for the car's layout; zeros for other recordings.
    std::array<int, 6> paneCameras() const;
    // A double-click on a pane: with four or more channels it shows alone until the next one;
    // with fewer the window goes to full screen, as the button does.
    void paneDoubleClicked(HWPlayWidget *pane);

    Ui::KestroMainWidget *ui;
    Library *m_library = nullptr;
    PlaybackSession *m_session = nullptr;
    MapView *m_map = nullptr;
    TelemetryDisplay *m_telemetry = nullptr;
    DrivingEventTools *m_events = nullptr;
    ClipMarks *m_clips = nullptr;
    TrackExportActions *m_trackExport = nullptr;
    ExternalTracks *m_externalTracks = nullptr;
    ResizeBands *m_resizeBands = nullptr;
    ArchivePanel *m_archive = nullptr;
    bool m_isFullScreen = false;
    QRect m_restoreRect;
    QSize m_restoreMinimumSize;
    int m_splitType = 1;
    int m_soloPane = -1; // a pane shown alone over the others' places, -1 for none
    QList<HWPlayWidget *> m_morePanes; // panes 4 to 6, for the car's cameras
    int m_savedVolume = 0;
    QPointer<QMenu> m_contextMenu;
};
