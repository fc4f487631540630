// The frame builds its parts, hands each the widgets of the form it drives, and wires them.
#include "kestromainwidget.h"

#include "archivepanel.h"
#include "channelsync.h"
#include "clipexportdialog.h"
#include "clipmarks.h"
#include "drivingeventtools.h"
#include "externaltracks.h"
#include "hwdefaultsettings.h"
#include "hwdevicetreeview.h"
#include "hwplaywidget.h"
#include "library.h"
#include "lufileinfomodel.h"
#include "lugpsmodel.h"
#include "lutitlebar.h"
#include "mainwindowlog.h"
#include "mapview.h"
#include "panelayout.h"
#include "playbacksession.h"
#include "resizebands.h"
#include "telemetrydisplay.h"
#include "trackexportactions.h"
#include "ui_kestromainwidget.h"
#include "usagereport.h"

#include <QAction>
#include <QDebug>

namespace {
const QString kViewerVersion = QStringLiteral("V1.24.0516");
constexpr int kWindowTitlePointSize = 9;
// The lists' area under the map: the archive's calendar needs more than the file list.
constexpr int kFileListHeight = 278;
constexpr int kArchiveHeight = 350;
} // namespace

KestroMainWidget::KestroMainWidget(QWidget *parent)
    : LuBasicWidget(parent), ui(new Ui::KestroMainWidget)
{
    ui->setupUi(this);
    initTitleBar();
    const QString title = QStringLiteral("Q-MARL %1").arg(kViewerVersion);
    titleBarWidget()->setTitleContent(title, kWindowTitlePointSize);
    setWindowTitle(title);
    ui->pushBtn_setting->hide();
    setAcceptDrops(true);
    qRegisterMetaType<LuGPSModel *>("LuGPSModel");

    HWDefaultSettings *store = HWDefaultSettings::instance();
    const int volume = store->volume();
    ui->horizontalSlider_volume->setValue(volume);
    // Panes for the car's cameras beyond the three of the form; players start idle.
    for (int p = 3; p < kMaxPanes; ++p) {
        auto *pane = new HWPlayWidget(this);
        pane->setObjectName(QStringLiteral("widget_display_%1").arg(p + 1));
        pane->hide();
        m_morePanes << pane;
    }
    const QList<HWPlayWidget *> all = panes();
    for (HWPlayWidget *pane : all)
        pane->setVolume(pane == all.first() ? volume : 0);

    buildParts();
    wireParts();

    m_map->load();
    setPlayControlsEnabled(false);
    m_telemetry->reset();
    const bool keep = store->keepOriginalSize();
    for (HWPlayWidget *pane : panes())
        pane->setKeepRatio(keep);
    m_library->reopenLastSession();
    m_externalTracks->loadRemembered();
    qCDebug(lcMainWindow) << "KestroMainWidget::KestroMainWidget" << __LINE__;
    checkClientIdentify();
}

void KestroMainWidget::buildParts()
{
    m_library = new Library(this);
    m_session = new PlaybackSession(
        m_library, {panes(), ui->widget_display_cover, ui->horizontalSlider_progress}, this);
    m_map = new MapView(ui->webview, m_library, m_session, this);
    const TelemetryWidgets dials{
        ui->label_play_time, ui->label_duration,   ui->label_file_size,   ui->label_resolution,
        ui->label_lng,       ui->label_lat,        ui->label_max_speed,   ui->label_speed_value,
        ui->label_speed_unit, ui->label_draw_speed, ui->label_campass, ui->widget_draw_gsensor,
        ui->pushBtn_gsensor_x, ui->pushBtn_gsensor_y, ui->pushBtn_gsensor_z,
        {ui->widget_gsensor, ui->label_gsensor_split}, ui->widget_car_signals};
    m_telemetry = new TelemetryDisplay(dials, m_session, m_map, m_library, this);
    m_events = new DrivingEventTools(m_session, m_library, ui->horizontalSlider_progress, this);
    m_map->setEventsFor(&DrivingEventTools::mapEvents);
    m_clips = new ClipMarks(m_session, m_library, ui->horizontalSlider_progress, this,
                            [this](ClipRequest &request) {
                                request.splitType = m_splitType;
                                const QList<HWPlayWidget *> all = panes();
                                request.keepRatio = {all[0]->isKeepRatio(), all[1]->isKeepRatio(),
                                                     all[2]->isKeepRatio()};
                            },
                            this);
    m_externalTracks = new ExternalTracks(m_library, this);
    m_trackExport = new TrackExportActions(m_library, m_clips, m_externalTracks,
                                           ui->treeView_filelist, this);
    m_resizeBands = new ResizeBands(this, ui->widget_navigate, [this] { return m_isFullScreen; });
    m_archive = new ArchivePanel({m_library, m_session, m_map}, ArchiveDatabase::defaultPath(),
                                 ui->tab_archive);
    ui->layout_archive->addWidget(m_archive);
}

void KestroMainWidget::wireParts()
{
    const auto shortcut = [this](const char *keys, auto *receiver, auto slot) {
        auto *action = new QAction(this);
        action->setShortcut(QKeySequence(QLatin1String(keys)));
        connect(action, &QAction::triggered, receiver, slot);
        addAction(action);
    };
    shortcut("ctrl+,", this, &KestroMainWidget::showAppSettingSlot);
    shortcut("ctrl+n", this, &KestroMainWidget::on_pushBtn_open_dir_clicked);
    shortcut("ctrl+g", m_trackExport, &TrackExportActions::askForTrackFiles);

    for (HWPlayWidget *pane : panes()) {
        connect(pane, &HWPlayWidget::enterFullscreenSignal, this,
                [this, pane] { paneDoubleClicked(pane); });
        connect(pane, &HWPlayWidget::showCustomMenuSignal, this,
                &KestroMainWidget::showCustomMenuSlot);
        connect(pane, &HWPlayWidget::playWidgetKeyEventSignal, this,
                &KestroMainWidget::playWidgetKeyEventSlot);
        connect(pane, &HWPlayWidget::changePipeSignal, this,
                &KestroMainWidget::on_pushBtn_pipe_clicked);
        connect(pane, &HWPlayWidget::commandReplySignal, ui->treeView_filelist,
                &HWDeviceTreeView::repaintFileList);
    }
    connect(titleBarWidget(), &LuTitleBar::signalShowAppSetting, this,
            &KestroMainWidget::showAppSettingSlot);
    connect(titleBarWidget(), &LuTitleBar::signalButtonCloseClicked, this,
            &KestroMainWidget::willCloseSlot);
    HWDeviceTreeView *list = ui->treeView_filelist;
    connect(list, &QWidget::customContextMenuRequested, m_trackExport,
            &TrackExportActions::showMenu);
    connect(list, &HWDeviceTreeView::willDeleteFileSignal, this,
            &KestroMainWidget::willDeleteFileSlot);
    connect(list, &HWDeviceTreeView::drivePlayRequested, m_session, &PlaybackSession::choose);
    connect(ui->horizontalSlider_progress, &LuProgressSlider::posChangedSignal, this,
            &KestroMainWidget::posChangedSlot);
    connect(this, &KestroMainWidget::settingsApplied, m_map, &MapView::settingsApplied);
    connect(this, &KestroMainWidget::settingsApplied, m_telemetry, &TelemetryDisplay::settingsApplied);
    connect(this, &KestroMainWidget::settingsApplied, m_events, &DrivingEventTools::showTicks);
    connect(ui->tabWidget_lists, &QTabWidget::currentChanged, this, [this](int index) {
        const bool archive = ui->tabWidget_lists->widget(index) == ui->tab_archive;
        ui->widget_18->setFixedHeight(archive ? kArchiveHeight : kFileListHeight);
        m_archive->setShowing(archive);
    });

    // The list shows what the library holds, which recording plays and what tracks gave.
    const auto showList = [this] { ui->treeView_filelist->setFileList(libraryModels()); };
    connect(m_library, &Library::regrouped, this, showList);
    connect(m_session, &PlaybackSession::marksChanged, this, showList);
    connect(m_externalTracks, &ExternalTracks::matched, this, showList);
    // The row's track mark and its drive's figures.
    connect(m_library, &Library::trackReady, ui->treeView_filelist,
            &HWDeviceTreeView::repaintFileList);
    connect(m_session, &PlaybackSession::stateChanged, this, [this](int state) {
        ui->pushBtn_play->setChecked(state == PlaybackSession::Playing);
        setPlayControlsEnabled(state != PlaybackSession::Stopped);
    });
    connect(m_session, &PlaybackSession::recordingBound, this, [this](bool continuing) {
        if (continuing)
            return;
        m_splitType = defaultSplitType(m_session->channelCount());
        m_soloPane = -1;
        layoutWindow();
    });
    connect(m_session, &PlaybackSession::stopped, this, [this] {
        layoutWindow();
        // Without a session full screen would leave a bare cover with no controls to return.
        if (m_isFullScreen)
            switchFullScreen(false);
    });
}

KestroMainWidget::~KestroMainWidget()
{
    // The children outlive this part of the window: a player stopping or a page finishing while
    // they go must not reach the parts any more.
    QList<QObject *> senders{ui->treeView_filelist, ui->webview, ui->horizontalSlider_progress};
    for (HWPlayWidget *pane : panes())
        senders << pane;
    for (QObject *sender : qAsConst(senders))
        for (QObject *receiver : std::initializer_list<QObject *>{
                 this, m_session, m_map, m_telemetry, m_events, m_clips, m_trackExport})
            sender->disconnect(receiver);
    // The library's track reads finish before the models go, and the models before the form.
    delete m_library;
    m_library = nullptr;
    delete ui;
}

QList<HWPlayWidget *> KestroMainWidget::panes() const
{
    return QList<HWPlayWidget *>{ui->widget_display_1, ui->widget_display_2,
                                 ui->widget_display_3} +
           m_morePanes;
}

std::array<int, 6> KestroMainWidget::paneCameras() const
{
    std::array<int, 6> cameras{};
    const QList<LuFileInfoModel *> open = m_session->openChannels();
    for (int p = 0; p < open.size() && p < kMaxPanes; ++p)
        if (open[p]->carCameras)
            cameras[size_t(p)] = open[p]->channelIndex;
    return cameras;
}
