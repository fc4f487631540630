// The frame's own actions: keys, the picture's menu, drops and file arguments, volume, zoom,
// the settings dialog, the language and the ways out.
#include "kestromainwidget.h"

#include "careventattach.h"
#include "clipmarks.h"
#include "drivingeventtools.h"
#include "externaltracks.h"
#include "hwdefaultsettings.h"
#include "hwplaywidget.h"
#include "library.h"
#include "luappsettingdialog.h"
#include "lucoverwidget.h"
#include "lufileinfomodel.h"
#include "mainwindowlog.h"
#include "mapview.h"
#include "menustyle.h"
#include "notice.h"
#include "playbacksession.h"
#include "telemetrydisplay.h"
#include "trackexportactions.h"
#include "ui_kestromainwidget.h"

#include <QCloseEvent>
#include <QDebug>
#include <QMenu>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <cstdio>
#include <unistd.h>

void KestroMainWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        if (!ui->widget_display_cover->message().isEmpty())
            ui->widget_display_cover->setMessage(tr("无法播放此文件"));
    }
    LuBasicWidget::changeEvent(event);
}

void KestroMainWidget::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    qCDebug(lcMainWindow) << "KestroMainWidget::keyPressEvent" << __LINE__ << key;
    if (key == Qt::Key_Escape && m_isFullScreen)
        switchFullScreen(false);
    else if (key == Qt::Key_P)
        on_pushBtn_pipe_clicked();
    // The rest as in a picture, but left and right stay with the file list's rows.
    else if (key != Qt::Key_Left && key != Qt::Key_Right)
        playWidgetKeyEventSlot(key);
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
    const bool events = !recordingEvents(master).isEmpty();
    menu->addSeparator();
    menu->addAction(tr("上一个事件"), m_events, [this] { m_events->jump(-1); })->setEnabled(events);
    menu->addAction(tr("下一个事件"), m_events, [this] { m_events->jump(1); })->setEnabled(events);
    menu->addSeparator();
    menu->addAction(tr("导出片段…"), m_clips, [this] { m_clips->showExport(nullptr); });
    menu->popup(QCursor::pos());
}

void KestroMainWidget::dragEnterEvent(QDragEnterEvent *event)
{
    qCDebug(lcMainWindow) << "KestroMainWidget::dragEnterEvent" << __LINE__;
    if (event->mimeData()->hasFormat(QStringLiteral("text/uri-list")) &&
        (Library::mayHoldVideos(event->mimeData()->urls()) ||
         ExternalTracks::holdsTrackFile(event->mimeData()->urls())))
        event->acceptProposedAction();
}

void KestroMainWidget::dropEvent(QDropEvent *event)
{
    qCDebug(lcMainWindow) << "KestroMainWidget::dropEvent" << __LINE__;
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    openPathsAndTracks(paths);
}

void KestroMainWidget::openFiles(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    m_library->listPaths(paths);
    playSelectFile(paths.first());
}

void KestroMainWidget::openFilesFromArguments(const QStringList &arguments)
{
    // A track named relative to where the program was started is read by a worker later on.
    QStringList paths;
    for (const QString &argument : arguments)
        paths << (ExternalTracks::isTrackFile(argument) ? QFileInfo(argument).absoluteFilePath()
                                                         : argument);
    openPathsAndTracks(paths);
}

void KestroMainWidget::openPathsAndTracks(const QStringList &paths)
{
    // Track files are tracks for the listed recordings; the rest is videos and folders.
    QStringList videos, tracks;
    for (const QString &path : paths)
        (ExternalTracks::isTrackFile(path) ? tracks : videos) << path;
    m_trackExport->loadTrackFiles(tracks);
    if (!videos.isEmpty())
        openPaths(videos);
}

void KestroMainWidget::openPaths(const QStringList &paths)
{
    QStringList empty;
    openFiles(Library::videoPathsOfArguments(paths, &empty));
    if (empty.isEmpty())
        return;
    showNotice(this, tr("此文件夹中没有可播放的录像：%1").arg(empty.join(QStringLiteral(", "))));
}

void KestroMainWidget::showAppSettingSlot()
{
    // The dialog deletes itself once closed; every result is already in the store, and each
    // part follows it (the map page, the speed unit of the displays and the event texts).
    auto *dialog = new LuAppSettingDialog(
        [this](bool reloadMap) { emit settingsApplied(reloadMap); }, this);
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
    qCDebug(lcMainWindow) << "KestroMainWidget::closeEvent" << __LINE__;
    // Leave at once, without tearing down the players and the web engine one by one: every
    // setting is already on disk, and only the standard streams may hold unwritten text.
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(0);
}
