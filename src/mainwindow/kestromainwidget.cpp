// The frame of the main window: construction, keys, context menu, drag and drop, volume,
// language change and the exit paths.
#include "kestromainwidget.h"

#include "hwdefaultsettings.h"
#include "hwdevicetreeview.h"
#include "hwplaywidget.h"
#include "luappsettingdialog.h"
#include "lucoverwidget.h"
#include "lufileinfomodel.h"
#include "modelbatch.h"
#include "trackloader.h"
#include "lumappage.h"
#include "mapbridge.h"
#include "lugpsmodel.h"
#include "luprogressslider.h"
#include "channelsync.h"
#include "lutitlebar.h"
#include "ui_kestromainwidget.h"
#include "usagereport.h"

#include <QAction>
#include <QCloseEvent>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <QWebChannel>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {
KestroMainWidget *s_mainWindow = nullptr;
const QString kVersion = QStringLiteral("V1.24.0516");
constexpr int kTitlePointSize = 9;
} // namespace

KestroMainWidget *KestroMainWidget::instance()
{
    return s_mainWindow;
}

KestroMainWidget::KestroMainWidget(QWidget *parent)
    : LuBasicWidget(parent), ui(new Ui::KestroMainWidget)
{
    ui->setupUi(this);
    initTitleBar();
    const QString title = QStringLiteral("Q-MARL %1").arg(kVersion);
    titleBarWidget()->setTitleContent(title, kTitlePointSize);
    setWindowTitle(title);
    ui->pushBtn_setting->hide();

    auto *settings = new QAction(this);
    settings->setShortcut(QKeySequence(QStringLiteral("ctrl+,")));
    connect(settings, &QAction::triggered, this, &KestroMainWidget::showAppSettingSlot);
    addAction(settings);
    auto *open = new QAction(this);
    open->setShortcut(QKeySequence(QStringLiteral("ctrl+n")));
    connect(open, &QAction::triggered, this, &KestroMainWidget::on_pushBtn_open_dir_clicked);
    addAction(open);

    setAcceptDrops(true);
    setToolTips();
    qRegisterMetaType<LuGPSModel *>("LuGPSModel");

    HWDefaultSettings *store = HWDefaultSettings::instance();
    const int volume = store->volume();
    ui->horizontalSlider_volume->setValue(volume);
    ui->widget_display_1->setVolume(volume);
    ui->widget_display_2->setVolume(0);
    ui->widget_display_3->setVolume(0);

    for (HWPlayWidget *pane : panes()) {
        connect(pane, &HWPlayWidget::enterFullscreenSignal, this,
                &KestroMainWidget::on_pushBtn_fullscreen_clicked);
        connect(pane, &HWPlayWidget::showCustomMenuSignal, this,
                &KestroMainWidget::showCustomMenuSlot);
        connect(pane, &HWPlayWidget::playWidgetKeyEventSignal, this,
                &KestroMainWidget::playWidgetKeyEventSlot);
        connect(pane, &HWPlayWidget::changePipeSignal, this,
                &KestroMainWidget::on_pushBtn_pipe_clicked);
    }
    HWPlayWidget *master = ui->widget_display_1;
    // The master's length is the recording's: a shorter back channel must not set the range.
    connect(master, &HWPlayWidget::updateVideoDurationSignal, this,
            &KestroMainWidget::updateVideoDurationSlot);
    m_channelSync = new ChannelSync(this);
    m_channelSync->setPlayers({master->player(), ui->widget_display_2->player(),
                               ui->widget_display_3->player()});
    connect(master, &HWPlayWidget::playStartSignal, this, &KestroMainWidget::playStartSlot);
    connect(master, &HWPlayWidget::sigUpdateFileAttribute, this,
            &KestroMainWidget::slotUpdateFileAttribute);
    connect(master, &HWPlayWidget::updateVideoProgressSignal, this,
            &KestroMainWidget::updateVideoProgressSlot);
    connect(master, &HWPlayWidget::playEndSignal, this, &KestroMainWidget::playEndSlot);
    connect(master, &HWPlayWidget::endHeldSignal, this, &KestroMainWidget::masterEndHeld);
    connect(master, &HWPlayWidget::playFailedSignal, this, &KestroMainWidget::playFailedSlot);
    connect(titleBarWidget(), &LuTitleBar::signalShowAppSetting, this,
            &KestroMainWidget::showAppSettingSlot);
    connect(titleBarWidget(), &LuTitleBar::signalButtonCloseClicked, this,
            &KestroMainWidget::willCloseSlot);
    connect(ui->treeView_filelist, &QWidget::customContextMenuRequested, this,
            &KestroMainWidget::showFileListMenu);
    connect(ui->treeView_filelist, &HWDeviceTreeView::willDeleteFileSignal, this,
            &KestroMainWidget::willDeleteFileSlot);
    connect(ui->treeView_filelist, &HWDeviceTreeView::drivePlayRequested, this,
            &KestroMainWidget::playDrive);
    auto *mapPage = new LuMapPage(ui->webview);
    ui->webview->setPage(mapPage);
    m_mapBridge = new MapBridge(this);
    auto *mapChannel = new QWebChannel(mapPage);
    mapChannel->registerObject(QStringLiteral("qmarlBridge"), m_mapBridge);
    mapPage->setWebChannel(mapChannel);
    connect(m_mapBridge, &MapBridge::seekRequested, this, &KestroMainWidget::seekToSecond);
    connect(m_mapBridge, &MapBridge::playRecordingRequested, this,
            &KestroMainWidget::playRecordingAt);
    connect(ui->webview, &QWebEngineView::loadFinished, this,
            &KestroMainWidget::mapLoadFinishedSlot);
    connect(ui->horizontalSlider_progress, &LuProgressSlider::posChangedSignal, this,
            &KestroMainWidget::posChangedSlot);

    m_modelBatch = new ModelBatch(this);
    connect(m_modelBatch, &ModelBatch::built, this, &KestroMainWidget::modelBatchBuilt);
    m_trackLoader = new TrackLoader(this);
    connect(m_trackLoader, &TrackLoader::trackReady, this, &KestroMainWidget::trackReadySlot);

    loadMap();
    setPlayControlsEnabled(false);
    resetInfoDisplay();
    if (store->videoSolution() == 1) {
        ui->widget_gsensor->hide();
        ui->label_gsensor_split->hide();
    }
    const bool keep = store->keepOriginalSize();
    for (HWPlayWidget *pane : panes())
        pane->setKeepRatio(keep);
    s_mainWindow = this;

    QStringList lastFiles = store->lastFileList();
    lastFiles.erase(std::remove_if(lastFiles.begin(), lastFiles.end(),
                                   [](const QString &path) { return !QFileInfo::exists(path); }),
                    lastFiles.end());
    listFilePaths(lastFiles);
    qWarning() << "KestroMainWidget::KestroMainWidget" << __LINE__;
    checkClientIdentify();
}

KestroMainWidget::~KestroMainWidget()
{
    if (s_mainWindow == this)
        s_mainWindow = nullptr;
    // The children outlive this part of the window: a player stopping or a page finishing while
    // they go must not reach the window's slots any more.
    for (QObject *sender : std::initializer_list<QObject *>{
             ui->widget_display_1, ui->widget_display_2, ui->widget_display_3,
             ui->treeView_filelist, ui->webview, ui->horizontalSlider_progress})
        sender->disconnect(this);
    rememberPendingFiles();
    // Waiting reads are dropped, running ones finish before the models go.
    delete m_trackLoader;
    m_trackLoader = nullptr;
    // The panes' players go with the widgets; the library models are the window's own.
    delete ui;
    qDeleteAll(m_libraryModels);
}

QList<HWPlayWidget *> KestroMainWidget::panes() const
{
    return {ui->widget_display_1, ui->widget_display_2, ui->widget_display_3};
}

void KestroMainWidget::setToolTips()
{
    const std::pair<QWidget *, const char *> tips[] = {
        {ui->pushBtn_open_dir, "添加文件"},
        {ui->pushBtn_fullscreen, "全屏播放"},
        {ui->pushBtn_capture, "抓拍图片"},
        {ui->pushBtn_lastFrame, "上一个"},
        {ui->pushBtn_play, "播放/暂停"},
        {ui->pushBtn_nextFrame, "下一个"},
        {ui->pushBtn_stop, "停止"},
        {ui->pushBtn_zoom_in, "缩小"},
        {ui->pushBtn_zoom_out, "放大"},
        {ui->pushBtn_mute, "静音"},
        {ui->pushBtn_speed_slow_2, "慢放(较慢)"},
        {ui->pushBtn_speed_slow_1, "慢放"},
        {ui->pushBtn_speed_normal, "普通速度"},
        {ui->pushBtn_speed_fast_1, "快放"},
        {ui->pushBtn_speed_fast_2, "快放(较快)"},
        {ui->pushBtn_speed_fast_3, "快放(非常快)"},
    };
    for (const auto &tip : tips)
        tip.first->setToolTip(tr(tip.second));
}

void KestroMainWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        setToolTips();
        if (!ui->widget_display_cover->message().isEmpty())
            ui->widget_display_cover->setMessage(tr("无法播放此文件"));
    }
    LuBasicWidget::changeEvent(event);
}

void KestroMainWidget::keyPressEvent(QKeyEvent *event)
{
    qWarning() << "KestroMainWidget::keyPressEvent" << __LINE__ << event->key();
    switch (event->key()) {
    case Qt::Key_Escape:
        if (m_isFullScreen)
            switchFullScreen(false);
        break;
    case Qt::Key_P:
        on_pushBtn_pipe_clicked();
        break;
    // The same as in a picture.
    case Qt::Key_Space:
    case Qt::Key_Down:
    case Qt::Key_Up:
    case Qt::Key_BracketLeft:
    case Qt::Key_BracketRight:
    case Qt::Key_I:
    case Qt::Key_O:
        playWidgetKeyEventSlot(event->key());
        break;
    default:
        break;
    }
}

void KestroMainWidget::playWidgetKeyEventSlot(int key)
{
    switch (key) {
    case Qt::Key_Space:
        on_pushBtn_play_clicked();
        break;
    case Qt::Key_Left:
        on_pushBtn_lastFrame_clicked();
        break;
    case Qt::Key_Right:
        on_pushBtn_nextFrame_clicked();
        break;
    case Qt::Key_Down:
        on_pushBtn_zoom_in_clicked();
        break;
    case Qt::Key_Up:
        on_pushBtn_zoom_out_clicked();
        break;
    case Qt::Key_BracketLeft:
        jumpToDrivingEvent(-1);
        break;
    case Qt::Key_BracketRight:
        jumpToDrivingEvent(1);
        break;
    case Qt::Key_I:
    case Qt::Key_O:
        setClipPoint(key == Qt::Key_I);
        break;
    default:
        break;
    }
}

void KestroMainWidget::on_pushBtn_zoom_in_clicked()
{
    for (HWPlayWidget *pane : panes())
        pane->on_pushBtn_zoomMin_clicked();
}

void KestroMainWidget::on_pushBtn_zoom_out_clicked()
{
    for (HWPlayWidget *pane : panes())
        pane->zoomIn();
}

void KestroMainWidget::keepVideoAspectSlot()
{
    const bool keep = !ui->widget_display_1->isKeepRatio();
    for (HWPlayWidget *pane : panes())
        pane->setKeepRatio(keep);
    HWDefaultSettings::instance()->setKeepOriginalSize(keep);
    layoutWindow();
}

void KestroMainWidget::on_horizontalSlider_volume_valueChanged(int value)
{
    ui->widget_display_1->setVolume(value);
    ui->widget_display_2->setVolume(0);
    ui->widget_display_3->setVolume(0);
    ui->pushBtn_mute->setChecked(value == 0);
    HWDefaultSettings::instance()->setVolume(value);
}

void KestroMainWidget::on_pushBtn_mute_clicked()
{
    if (ui->pushBtn_mute->isChecked()) {
        m_savedVolume = ui->horizontalSlider_volume->value();
        ui->horizontalSlider_volume->setValue(0);
    } else {
        ui->horizontalSlider_volume->setValue(m_savedVolume);
    }
}

void KestroMainWidget::showCustomMenuSlot(void *requestingPane)
{
    if (ui->widget_display_1->QWidget::isFullScreen() || m_playState == 0)
        return;
    auto *pane = static_cast<HWPlayWidget *>(requestingPane);
    if (m_contextMenu)
        m_contextMenu->deleteLater();
    auto *menu = new QMenu(pane);
    m_contextMenu = menu;
    styleMenu(menu);
    menu->addAction(tr("播放/暂停"), this, &KestroMainWidget::on_pushBtn_play_clicked);
    menu->addAction(tr("停止"), this, &KestroMainWidget::on_pushBtn_stop_clicked);
    menu->addAction(ui->widget_display_1->isKeepRatio() ? tr("铺满屏幕") : tr("保持画面比例"),
                    this, &KestroMainWidget::keepVideoAspectSlot);
    menu->addAction(tr("拍照"), this, &KestroMainWidget::on_pushBtn_capture_clicked);
    menu->addAction(tr("全屏"), this, &KestroMainWidget::on_pushBtn_fullscreen_clicked);
    const bool events = m_channelModel1 && !m_channelModel1->drivingEvents.isEmpty();
    menu->addSeparator();
    menu->addAction(tr("上一个事件"), this, [this] { jumpToDrivingEvent(-1); })->setEnabled(events);
    menu->addAction(tr("下一个事件"), this, [this] { jumpToDrivingEvent(1); })->setEnabled(events);
    menu->addSeparator();
    menu->addAction(tr("导出片段…"), this, [this] { showClipExport(nullptr); });
    menu->popup(QCursor::pos());
}

void KestroMainWidget::styleMenu(QMenu *menu)
{
    QFile sheet(QStringLiteral(":/images/images/appMenuSheet.css"));
    if (sheet.open(QIODevice::ReadOnly))
        menu->setStyleSheet(menu->styleSheet() + QString::fromUtf8(sheet.readAll()));
    else
        qWarning() << "KestroMainWidget::styleMenu: no menu style sheet" << sheet.fileName();
}

QStringList KestroMainWidget::filterVideoPaths(const QList<QUrl> &urls)
{
    QStringList paths;
    for (const QUrl &url : urls) {
        const QString path = url.toLocalFile();
        if (path.isEmpty())
            continue;
        const QString tail = path.mid(4);
        if (tail.contains(QLatin1String(".mp4"), Qt::CaseInsensitive) ||
            tail.contains(QLatin1String(".mov"), Qt::CaseInsensitive) ||
            tail.contains(QLatin1String(".ts"), Qt::CaseInsensitive))
            paths << path;
    }
    return paths;
}

void KestroMainWidget::dragEnterEvent(QDragEnterEvent *event)
{
    qWarning() << "KestroMainWidget::dragEnterEvent" << __LINE__;
    if (event->mimeData()->hasFormat(QStringLiteral("text/uri-list")) &&
        !filterVideoPaths(event->mimeData()->urls()).isEmpty())
        event->acceptProposedAction();
}

void KestroMainWidget::dropEvent(QDropEvent *event)
{
    qWarning() << "KestroMainWidget::dropEvent" << __LINE__;
    openFiles(filterVideoPaths(event->mimeData()->urls()));
}

void KestroMainWidget::openFiles(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    listFilePaths(paths);
    playSelectFile(paths.first());
}

void KestroMainWidget::openFilesFromArguments(const QStringList &arguments)
{
    QList<QUrl> urls;
    for (const QString &argument : arguments) {
        const QFileInfo info(argument);
        if (!info.isFile()) {
            qWarning() << "KestroMainWidget: ignoring the argument" << argument
                       << "- not an existing file";
            continue;
        }
        urls << QUrl::fromLocalFile(info.absoluteFilePath());
    }
    const QStringList videos = filterVideoPaths(urls);
    for (const QUrl &url : qAsConst(urls))
        if (!videos.contains(url.toLocalFile()))
            qWarning() << "KestroMainWidget: ignoring the argument" << url.toLocalFile()
                       << "- not a video file";
    openFiles(videos);
}

void KestroMainWidget::showAppSettingSlot()
{
    // The dialog deletes itself once closed; every result is already in the store.
    auto *dialog = new LuAppSettingDialog(
        [this](bool reloadMap) {
            // The empty display shows the speed unit, so it follows a unit change at once.
            if (m_playState == 0)
                resetInfoDisplay();
            if (reloadMap) {
                loadMap();
            } else if (m_playState != 0) {
                // Route colours, legend and event texts follow the speed unit.
                drawTrackOnMap();
                showDrivingEvents();
            }
        },
        this);
    dialog->exec();
}

void KestroMainWidget::on_pushBtn_setting_clicked()
{
    showAppSettingSlot();
}

void KestroMainWidget::doExit()
{
    qWarning() << ".............auto stop is false";
    m_autoNext = false;
    stopPlay();
}

void KestroMainWidget::willCloseSlot()
{
    doExit();
    QCoreApplication::exit(0);
}

void KestroMainWidget::closeEvent(QCloseEvent *event)
{
    doExit();
    event->accept();
    qWarning() << "KestroMainWidget::closeEvent" << __LINE__;
    // Leave at once, without tearing down the players and the web engine one by one: every
    // setting is already on disk, and only the standard streams may hold unwritten text.
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(0);
}
