// The frame's own actions: keys, the picture's menu, drops and file arguments, volume, zoom,
// the settings dialog, the language and the ways out.
#include "kestromainwidget.h"

#include "clipmarks.h"
#include "drivingeventtools.h"
#include "hwdefaultsettings.h"
#include "hwplaywidget.h"
#include "luappsettingdialog.h"
#include "lucoverwidget.h"
#include "lufileinfomodel.h"
#include "mapview.h"
#include "menustyle.h"
#include "playbacksession.h"
#include "telemetrydisplay.h"
#include "ui_kestromainwidget.h"

#include <QCloseEvent>
#include <QDebug>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <cstdio>
#include <unistd.h>

void KestroMainWidget::setToolTips()
{
    const std::pair<QWidget *, const char *> tips[] = {
        {ui->pushBtn_open_dir, "添加文件"},     {ui->pushBtn_fullscreen, "全屏播放"},
        {ui->pushBtn_capture, "抓拍图片"},      {ui->pushBtn_lastFrame, "上一个"},
        {ui->pushBtn_play, "播放/暂停"},        {ui->pushBtn_nextFrame, "下一个"},
        {ui->pushBtn_stop, "停止"},             {ui->pushBtn_zoom_in, "缩小"},
        {ui->pushBtn_zoom_out, "放大"},         {ui->pushBtn_mute, "静音"},
        {ui->pushBtn_speed_slow_2, "慢放(较慢)"}, {ui->pushBtn_speed_slow_1, "慢放"},
        {ui->pushBtn_speed_normal, "普通速度"}, {ui->pushBtn_speed_fast_1, "快放"},
        {ui->pushBtn_speed_fast_2, "快放(较快)"}, {ui->pushBtn_speed_fast_3, "快放(非常快)"},
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
        m_session->togglePause();
        break;
    case Qt::Key_Left:
        m_session->previous();
        break;
    case Qt::Key_Right:
        m_session->next();
        break;
    case Qt::Key_Down:
        on_pushBtn_zoom_in_clicked();
        break;
    case Qt::Key_Up:
        on_pushBtn_zoom_out_clicked();
        break;
    case Qt::Key_BracketLeft:
    case Qt::Key_BracketRight:
        m_events->jump(key == Qt::Key_BracketRight ? 1 : -1);
        break;
    case Qt::Key_I:
    case Qt::Key_O:
        m_clips->setPoint(key == Qt::Key_I);
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
    if (ui->widget_display_1->QWidget::isFullScreen() || m_session->state() == 0)
        return;
    if (m_contextMenu)
        m_contextMenu->deleteLater();
    auto *menu = new QMenu(static_cast<HWPlayWidget *>(requestingPane));
    m_contextMenu = menu;
    applyMenuStyle(menu);
    menu->addAction(tr("播放/暂停"), m_session, &PlaybackSession::togglePause);
    menu->addAction(tr("停止"), m_session, &PlaybackSession::stopByUser);
    menu->addAction(ui->widget_display_1->isKeepRatio() ? tr("铺满屏幕") : tr("保持画面比例"),
                    this, &KestroMainWidget::keepVideoAspectSlot);
    menu->addAction(tr("拍照"), m_session, &PlaybackSession::capture);
    menu->addAction(tr("全屏"), this, &KestroMainWidget::on_pushBtn_fullscreen_clicked);
    const LuFileInfoModel *master = m_session->master();
    const bool events = master && !master->drivingEvents.isEmpty();
    menu->addSeparator();
    menu->addAction(tr("上一个事件"), m_events, [this] { m_events->jump(-1); })->setEnabled(events);
    menu->addAction(tr("下一个事件"), m_events, [this] { m_events->jump(1); })->setEnabled(events);
    menu->addSeparator();
    menu->addAction(tr("导出片段…"), m_clips, [this] { m_clips->showExport(nullptr); });
    menu->popup(QCursor::pos());
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
            if (m_session->state() == 0)
                m_telemetry->reset();
            if (reloadMap) {
                m_map->load();
            } else if (m_session->state() != 0) {
                // Route colours, legend and event texts follow the speed unit.
                m_map->drawRoute();
                m_events->showTicks();
            }
        },
        this);
    dialog->exec();
}

void KestroMainWidget::doExit()
{
    m_session->end();
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
