// The playback session: opening a recording in all of its channels, keeping the panes in step,
// stepping between recordings, snapshots and deleting files.
#include "kestromainwidget.h"

#include "channelsync.h"
#include "hwdefaultsettings.h"
#include "hwdevicetreeview.h"
#include "hwplaywidget.h"
#include "lucoverwidget.h"
#include "lufileinfomodel.h"
#include "modelbatch.h"
#include "lugpsspeedlabel.h"
#include "lucampasslabel.h"
#include "lugsensorwidget.h"
#include "panelayout.h"
#include "playlabel.h"
#include "regroupfilelist.h"
#include "trackloader.h"
#include "ui_kestromainwidget.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QMutexLocker>
#include <QSet>

#include <algorithm>

namespace {
QString speedUnitText()
{
    return HWDefaultSettings::instance()->speedUnit() == 1 ? QStringLiteral("MPH")
                                                           : QStringLiteral("KM/H");
}
} // namespace

LuFileInfoModel *KestroMainWidget::channelModel(int channel) const
{
    switch (channel) {
    case 1:
        return m_channelModel1;
    case 2:
        return m_channelModel2;
    case 3:
        return m_channelModel3;
    default:
        return nullptr;
    }
}

void KestroMainWidget::clearAutoNext()
{
    qWarning() << ".............auto stop is false";
    m_autoNext = false;
}

int KestroMainWidget::recordingChannelCount(const LuFileInfoModel *model)
{
    const LuFileInfoModel *prev = model->prevChannel, *next = model->nextChannel;
    if (prev && next)
        return 3;
    const LuFileInfoModel *neighbour = prev ? prev : next;
    if (!neighbour)
        return 1;
    return neighbour->prevChannel && neighbour->nextChannel ? 3 : 2;
}

QString KestroMainWidget::formatPlayTime(int seconds)
{
    const int h = seconds / 3600, m = (seconds % 3600) / 60, s = seconds % 60;
    if (h > 0)
        return QString::asprintf("%.2d:%.2d:%.2d", h, m, s);
    return QString::asprintf("%.2d:%.2d", m, s);
}

void KestroMainWidget::addFilePath(const QString &path)
{
    addFilePaths({path});
}

void KestroMainWidget::addFilePaths(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    QList<LuFileInfoModel *> models;
    models.reserve(paths.size());
    QSet<QString> added;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        models.append(new LuFileInfoModel(info.fileName(), info.absoluteFilePath()));
        added.insert(models.last()->identityPath);
    }
    // A recording keeps its playing mark only when every file added was that recording.
    keepPlayingMark(added.size() == 1 ? *added.cbegin() : QString());
    adoptModels(models);
}

void KestroMainWidget::listFilePaths(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    if (paths.size() <= kModelsBuiltHere) {
        addFilePaths(paths);
        showFileList();
        return;
    }
    // The first file's recording is listed now, with those of its channels that came with it,
    // so that it can open whole; the rest once built (modelBatchBuilt).
    const QFileInfo info(paths.first());
    auto *first = new LuFileInfoModel(info.fileName(), info.absoluteFilePath());
    QList<LuFileInfoModel *> now{first};
    QStringList partners, partnerNames;
    for (const QString &partner : {first->siblingPath1, first->siblingPath2}) {
        if (!partner.isEmpty()) {
            partners << partner;
            partnerNames << QFileInfo(partner).fileName();
        }
    }
    QStringList rest;
    rest.reserve(paths.size());
    for (int i = 1; i < paths.size(); ++i) {
        const QString &path = paths[i];
        // The name first: the full path is worked out only for the few that end alike.
        int partner = -1;
        for (int j = 0; j < partners.size() && partner < 0; ++j)
            if (path.endsWith(partnerNames[j]) &&
                QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()) == partners[j])
                partner = j;
        if (partner >= 0)
            now << new LuFileInfoModel(partnerNames[partner], partners[partner]);
        else
            rest << path;
    }
    keepPlayingMark(QString());
    adoptModels(now);
    showFileList();
    if (!rest.isEmpty())
        m_modelBatch->build(rest);
}

void KestroMainWidget::rememberPendingFiles()
{
    // Files of a batch still being built are remembered for the next start as if listed.
    const QStringList waiting = m_modelBatch->pendingPaths();
    if (waiting.isEmpty())
        return;
    HWDefaultSettings *store = HWDefaultSettings::instance();
    QStringList paths = store->lastFileList();
    QSet<QString> known(paths.cbegin(), paths.cend());
    for (const QString &path : waiting) {
        const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
        if (!known.contains(native)) {
            known.insert(native);
            paths << native;
        }
    }
    store->setLastFileList(paths);
}

int KestroMainWidget::modelsPending() const
{
    return m_modelBatch->pending();
}

void KestroMainWidget::modelBatchBuilt(const QList<LuFileInfoModel *> &models)
{
    adoptModels(models);
    showFileList();
}

void KestroMainWidget::keepPlayingMark(const QString &identityPath)
{
    for (LuFileInfoModel *model : qAsConst(m_libraryModels))
        if (model->identityPath != identityPath)
            model->isPlaying = false;
}

void KestroMainWidget::adoptModels(const QList<LuFileInfoModel *> &models)
{
    if (models.isEmpty())
        return;
    const QString firstPath = models.first()->nativePath; // the model may be a duplicate
    QSet<QString> known;
    known.reserve(m_libraryModels.size() + models.size());
    for (const LuFileInfoModel *existing : qAsConst(m_libraryModels))
        known.insert(existing->identityPath);
    int fresh = 0;
    for (LuFileInfoModel *model : models) {
        if (known.contains(model->identityPath)) {
            delete model; // listed already
            continue;
        }
        known.insert(model->identityPath);
        m_libraryModels.append(model);
        ++fresh;
    }
    qWarning() << "KestroMainWidget: listing" << models.size() << "files," << fresh << "new,"
               << "first" << firstPath;
}

void KestroMainWidget::playSelectFile(const QString &path)
{
    clearAutoNext();
    stopPlay();
    const QFileInfo info(path);
    auto *candidate = new LuFileInfoModel(info.fileName(), info.absoluteFilePath());
    LuFileInfoModel *model = addUniqueModel(m_libraryModels, candidate);
    autoPlayFile(model);
    ui->treeView_filelist->setFileList(m_libraryModels);
}

void KestroMainWidget::autoPlayFile(LuFileInfoModel *model)
{
    // A start chosen earlier must not fire later over this one.
    m_pendingPlay = false;
    m_pendingModel = nullptr;
    m_masterFailed = false;
    if (model != m_seekOnStartModel)
        m_seekOnStartModel = nullptr;
    ui->widget_display_cover->setMessage(QString());
    m_runStart = model;
    bindRecording(model, false);
    loadChannels(false);
    m_channelSync->setChannelCount(m_channelCount);
    m_channelSync->setPlaying(true);
    ui->pushBtn_play->setChecked(true);
    setPlayControlsEnabled(true);
    m_playState = 2;
    showDrivingEvents(); // a track read at an earlier open is here already
}

void KestroMainWidget::loadChannels(bool continuing)
{
    const QList<HWPlayWidget *> all = panes();
    for (int i = 0; i < 3; ++i) {
        LuFileInfoModel *channel = channelModel(i + 1);
        if (!channel)
            continue;
        all[i]->previewPath = channel->previewPath;
        if (continuing)
            all[i]->continueWith(channel->nativePath);
        else
            all[i]->openFile(channel->nativePath);
    }
}

void KestroMainWidget::bindRecording(LuFileInfoModel *model, bool keepLayout)
{
    clearClipPoints();
    {
        QMutexLocker lock(&m_sessionMutex);
        m_channelModel1 = model;
        m_channelModel2 = m_channelModel3 = nullptr;
        switch (model->channelIndex) {
        case 1:
            m_channelModel2 = model->nextChannel;
            if (m_channelModel2)
                m_channelModel3 = m_channelModel2->nextChannel;
            break;
        case 2:
            m_channelModel2 = model->prevChannel;
            m_channelModel3 = model->nextChannel;
            break;
        case 3:
            m_channelModel2 = model->prevChannel;
            if (m_channelModel2)
                m_channelModel3 = m_channelModel2->prevChannel;
            break;
        default:
            break;
        }
        const std::pair<LuFileInfoModel *, int> channels[] = {
            {m_channelModel1, 1}, {m_channelModel2, 2}, {m_channelModel3, 3}};
        for (const auto &channel : channels) {
            if (!channel.first)
                continue;
            qWarning() << "KestroMainWidget::bindRecording" << channel.first->fileName;
            channel.first->isPlaying = true;
            // Read off the GUI thread: playback starts at once, trackReadySlot shows the track.
            m_trackLoader->load(channel.first);
            m_channelCount = channel.second;
            if (!keepLayout)
                m_splitType = defaultSplitType(channel.second);
        }
        m_maxSpeedKnots = 0;
    }
    if (!keepLayout)
        layoutWindow();
    drawTrackOnMap();
    ui->widget_draw_gsensor->setTrack(m_channelModel1);
}

void KestroMainWidget::autoPlayNext(LuFileInfoModel *fileModel)
{
    if (!fileModel)
        return;
    runPageScript(QStringLiteral("clearGPSLine()"));
    autoPlayFile(fileModel);
    ui->treeView_filelist->setFileList(m_libraryModels);
}

void KestroMainWidget::stopPlay()
{
    if (m_playState == 0)
        return;
    qWarning() << "KestroMainWidget::stopPlay";
    ui->widget_display_cover->setMessage(QString());
    ui->widget_display_cover->show();
    ui->widget_display_cover->raise();
    for (HWPlayWidget *pane : panes())
        pane->hide();
    {
        QMutexLocker lock(&m_sessionMutex);
        ui->widget_display_1->player()->setHoldLastFrame(false);
        ui->widget_display_1->stopVideo();
        if (m_channelModel2)
            ui->widget_display_2->stopVideo();
        if (m_channelModel3)
            ui->widget_display_3->stopVideo();
        ui->widget_draw_gsensor->setTrack(nullptr);
        m_channelSync->stopped();
        m_playState = 0;
        for (LuFileInfoModel *channel : {m_channelModel1, m_channelModel2, m_channelModel3})
            if (channel)
                channel->isPlaying = false;
        ui->treeView_filelist->setFileList(m_libraryModels);
        m_channelModel1 = m_channelModel2 = m_channelModel3 = nullptr;
        ui->pushBtn_play->setChecked(false);
        runPageScript(QStringLiteral("clearGPSLine()"));
        setPlayControlsEnabled(false);
        resetInfoDisplay();
        ui->horizontalSlider_progress->setMarks({});
        clearClipPoints();
    }
    m_channelCount = 1;
    layoutWindow();
    // Without a session full screen would leave a bare cover with no controls to return.
    if (m_isFullScreen)
        switchFullScreen(false);
}

void KestroMainWidget::setPlayControlsEnabled(bool enabled)
{
    QWidget *controls[] = {ui->pushBtn_capture,       ui->pushBtn_fullscreen,
                           ui->pushBtn_play,          ui->pushBtn_stop,
                           ui->pushBtn_lastFrame,     ui->pushBtn_nextFrame,
                           ui->pushBtn_zoom_in,       ui->pushBtn_zoom_out,
                           ui->pushBtn_speed_slow_2,  ui->pushBtn_speed_slow_1,
                           ui->pushBtn_speed_normal,  ui->pushBtn_speed_fast_1,
                           ui->pushBtn_speed_fast_2,  ui->pushBtn_speed_fast_3,
                           ui->horizontalSlider_progress};
    for (QWidget *control : controls)
        control->setEnabled(enabled);
}

void KestroMainWidget::resetInfoDisplay()
{
    ui->label_play_time->setText(QStringLiteral("00:00/00:00"));
    ui->label_lng->setText(QStringLiteral("000.000000"));
    ui->label_lat->setText(QStringLiteral("00.000000"));
    ui->label_max_speed->setText(QStringLiteral("0 %1").arg(speedUnitText()));
    ui->label_draw_speed->setAngle(0);
    ui->label_speed_value->setText(QStringLiteral("000"));
    ui->label_campass->setAngle(0);
    ui->label_file_size->setText(QStringLiteral("0 MB"));
    ui->label_duration->setText(QStringLiteral("00:00"));
    ui->label_resolution->setText(QStringLiteral("0000"));
    ui->pushBtn_gsensor_x->setText(QStringLiteral("X: 0"));
    ui->pushBtn_gsensor_y->setText(QStringLiteral("Y: 0"));
    ui->pushBtn_gsensor_z->setText(QStringLiteral("Z: 0"));
    ui->horizontalSlider_progress->setValue(0);
}

QString KestroMainWidget::videoFileFilter()
{
    return QStringLiteral("*.mp4 *.MP4 *.mov *.MOV *.ts *.TS");
}

void KestroMainWidget::on_pushBtn_open_dir_clicked()
{
    HWDefaultSettings *store = HWDefaultSettings::instance();
    const QStringList files = QFileDialog::getOpenFileNames(
        this, tr("打开文件"), store->videoDir(), videoFileFilter());
    if (files.isEmpty())
        return;
    openFiles(files);
    store->setVideoDir(QFileInfo(files.first()).absolutePath());
}

void KestroMainWidget::on_treeView_filelist_doubleClicked(QModelIndex index)
{
    LuFileInfoModel *model = HWDeviceTreeView::modelAt(index);
    if (!model)
        return;
    clearAutoNext();
    if (m_playState == 0) {
        autoPlayFile(model);
        ui->treeView_filelist->setFileList(m_libraryModels);
    } else {
        startPendingAfterStop(model);
    }
}

void KestroMainWidget::on_pushBtn_play_clicked()
{
    if (!m_channelModel1)
        return;
    QMutexLocker lock(&m_sessionMutex);
    if (m_playState == 2) {
        for (HWPlayWidget *pane : panes())
            pane->pauseVideo();
        m_playState = 1;
        m_channelSync->setPlaying(false);
        ui->pushBtn_play->setChecked(false);
    } else {
        for (HWPlayWidget *pane : panes())
            pane->continueVideo();
        m_playState = 2;
        m_channelSync->setPlaying(true);
        ui->pushBtn_play->setChecked(true);
    }
}

void KestroMainWidget::on_pushBtn_stop_clicked()
{
    qWarning() << "KestroMainWidget::on_pushBtn_stop_clicked";
    clearAutoNext();
    m_pendingPlay = false;
    m_pendingModel = nullptr;
    stopPlay();
}

bool KestroMainWidget::libraryHoldsOnlyTheOpenRecording() const
{
    const int models = m_libraryModels.size();
    const int channels = recordingChannelCount(m_channelModel1);
    return models == 1 || (models == 2 && channels == 2) || (models == 3 && channels == 3);
}

void KestroMainWidget::startPendingAfterStop(LuFileInfoModel *target)
{
    qWarning() << "KestroMainWidget: next recording" << target->fileName;
    clearAutoNext();
    // Only a player with a started file reports the end of it when stopped; an idle one (its
    // file failed or ran out) would leave the start waiting for ever.
    const bool stopWillReport = ui->widget_display_1->hasFile();
    stopPlay();
    if (stopWillReport) {
        m_pendingPlay = true;
        m_pendingModel = target;
    } else {
        autoPlayNext(target);
    }
}

void KestroMainWidget::on_pushBtn_lastFrame_clicked()
{
    if (!m_channelModel1 || libraryHoldsOnlyTheOpenRecording())
        return;
    LuFileInfoModel *anchor = m_channelModel1;
    for (LuFileInfoModel *channel : {m_channelModel1, m_channelModel2, m_channelModel3})
        if (channel && channel->channelIndex == 1) {
            anchor = channel;
            break;
        }
    const int i = m_libraryModels.indexOf(anchor);
    if (i < 0)
        return;
    LuFileInfoModel *target = m_libraryModels.last();
    if (i > 0) {
        target = m_libraryModels.at(i - 1);
        if (target == anchor->prevChannel || target == anchor->nextChannel)
            target = i > 1 ? m_libraryModels.at(i - 2) : m_libraryModels.last();
    }
    startPendingAfterStop(target);
}

LuFileInfoModel *KestroMainWidget::findNextRecording(bool wrap) const
{
    QList<LuFileInfoModel *> open;
    for (LuFileInfoModel *channel : {m_channelModel1, m_channelModel2, m_channelModel3})
        if (channel)
            open << channel;
    LuFileInfoModel *anchor = m_channelModel1;
    for (LuFileInfoModel *channel : qAsConst(open))
        if (channel->channelIndex == open.size()) {
            anchor = channel;
            break;
        }
    return recordingAfter(anchor, wrap);
}

LuFileInfoModel *KestroMainWidget::recordingAfter(LuFileInfoModel *anchor, bool wrap) const
{
    const int i = m_libraryModels.indexOf(anchor);
    if (i < 0)
        return nullptr;
    const int last = m_libraryModels.size() - 1;
    LuFileInfoModel *first = wrap ? m_libraryModels.first() : nullptr;
    if (i == last)
        return first;
    LuFileInfoModel *candidate = m_libraryModels.at(i + 1);
    if (candidate == anchor->prevChannel || candidate == anchor->nextChannel)
        return i < last - 1 ? m_libraryModels.at(i + 2) : first;
    return candidate;
}

void KestroMainWidget::on_pushBtn_nextFrame_clicked()
{
    if (!m_channelModel1 || libraryHoldsOnlyTheOpenRecording())
        return;
    if (LuFileInfoModel *target = findNextRecording(true))
        startPendingAfterStop(target);
}

void KestroMainWidget::setSpeed(QPushButton *button, float rate)
{
    if (m_playState == 0)
        return;
    // Every channel: a rate for pane 1 alone would leave the others minutes behind.
    m_channelSync->setRate(rate);
    QPushButton *speeds[] = {ui->pushBtn_speed_slow_2, ui->pushBtn_speed_slow_1,
                             ui->pushBtn_speed_normal, ui->pushBtn_speed_fast_1,
                             ui->pushBtn_speed_fast_2, ui->pushBtn_speed_fast_3};
    for (QPushButton *speed : speeds)
        speed->setChecked(speed == button);
}

void KestroMainWidget::on_pushBtn_speed_slow_2_clicked() { setSpeed(ui->pushBtn_speed_slow_2, 0.25f); }
void KestroMainWidget::on_pushBtn_speed_slow_1_clicked() { setSpeed(ui->pushBtn_speed_slow_1, 0.5f); }
void KestroMainWidget::on_pushBtn_speed_normal_clicked() { setSpeed(ui->pushBtn_speed_normal, 1.0f); }
void KestroMainWidget::on_pushBtn_speed_fast_1_clicked() { setSpeed(ui->pushBtn_speed_fast_1, 3.0f); }
void KestroMainWidget::on_pushBtn_speed_fast_2_clicked() { setSpeed(ui->pushBtn_speed_fast_2, 15.0f); }
void KestroMainWidget::on_pushBtn_speed_fast_3_clicked() { setSpeed(ui->pushBtn_speed_fast_3, 60.0f); }

void KestroMainWidget::on_pushBtn_capture_clicked()
{
    if (m_playState == 0)
        return;
    HWDefaultSettings *store = HWDefaultSettings::instance();
    const QString folder = store->snapDir();
    int n = store->lastCaptureIndex() + 1;
    if (QDir(folder).entryList(QDir::Files).isEmpty())
        n = 1;
    const int digits = n >= 1000 ? 4 : 3;
    const QList<HWPlayWidget *> all = panes();
    bool first = true;
    for (int i = 0; i < 3; ++i) {
        LuFileInfoModel *channel = channelModel(i + 1);
        if (!channel)
            continue;
        if (!first)
            ++n;
        first = false;
        const QString path = folder + QLatin1Char('/') + channel->fileStem +
                             QStringLiteral("_%1.jpg").arg(n, digits, 10, QLatin1Char('0'));
        store->setLastCaptureIndex(n);
        all[i]->snapshot(path);
    }
}

void KestroMainWidget::on_horizontalSlider_progress_sliderPressed()
{
    qWarning() << "KestroMainWidget::on_horizontalSlider_progress_sliderPressed";
    m_sliderPressed = true;
}

void KestroMainWidget::on_horizontalSlider_progress_sliderReleased()
{
    qWarning() << "KestroMainWidget::on_horizontalSlider_progress_sliderReleased";
    m_sliderPressed = false;
    if (m_playState == 0)
        return;
    // One exact seek where the handle was let go (the drag itself only showed key frames).
    const int value = ui->horizontalSlider_progress->value();
    m_channelSync->seek(value, true);
    updateProgress(value);
}

void KestroMainWidget::on_horizontalSlider_progress_valueChanged(int value)
{
    if (!m_sliderPressed || m_playState == 0)
        return;
    // Fast key-frame seeks follow the handle in every pane.
    m_channelSync->seek(value, false);
    ui->label_play_time->setText(QStringLiteral("%1/%2").arg(
        formatPlayTime(value), formatPlayTime(int(m_channelModel1->videoDuration))));
    updateProgress(value);
}

void KestroMainWidget::playStartSlot()
{
    ui->widget_display_cover->hide();
    qWarning() << "KestroMainWidget::playStartSlot" << ui->widget_display_cover->geometry();
}

void KestroMainWidget::updateVideoDurationSlot(float duration)
{
    qWarning() << "KestroMainWidget::updateVideoDurationSlot" << duration;
    if (!m_channelModel1)
        return;
    m_autoNext = true;
    m_channelModel1->videoDuration = duration;
    prepareContinuation();
    ui->horizontalSlider_progress->setRange(0, int(duration));
    ui->label_duration->setText(formatPlayTime(int(duration)));
    if (m_seekOnStartModel && m_seekOnStartModel == m_channelModel1) {
        m_seekOnStartModel = nullptr;
        seekToSecond(m_seekOnStartSecond);
    }
}

void KestroMainWidget::updateVideoProgressSlot(float progress)
{
    if (!m_channelModel1)
        return;
    m_channelSync->masterMoved();
    // While the user drags the handle it stays under the mouse, not on the playing position.
    if (m_sliderPressed)
        return;
    const int p = int(progress + 0.5f);
    ui->horizontalSlider_progress->setValue(p);
    ui->label_play_time->setText(QStringLiteral("%1/%2").arg(
        formatPlayTime(p), formatPlayTime(int(m_channelModel1->videoDuration))));
    updateProgress(p);
}

void KestroMainWidget::slotUpdateFileAttribute(int64_t filesize, int width, int height)
{
    Q_UNUSED(filesize)
    if (!m_channelModel1)
        return;
    m_channelModel1->videoWidth = width;
    m_channelModel1->videoHeight = height;
    ui->label_resolution->setText(QStringLiteral("%1 * %2").arg(width).arg(height));
    const double megabytes =
        double(QFileInfo(m_channelModel1->nativePath).size()) * 0.0009765625 * 0.0009765625;
    ui->label_file_size->setText(QStringLiteral("%1 MB").arg(qint64(megabytes)));
}

void KestroMainWidget::playEndSlot()
{
    onStopPlay();
}

void KestroMainWidget::playFailedSlot(const QString &reason)
{
    if (!m_channelModel1)
        return;
    qWarning() << "KestroMainWidget: cannot play" << m_channelModel1->nativePath << "-" << reason;
    m_masterFailed = true;
}

void KestroMainWidget::showCannotPlay()
{
    ui->widget_display_1->hide();
    ui->widget_display_cover->setMessage(tr("无法播放此文件"));
    ui->widget_display_cover->show();
    ui->widget_display_cover->raise();
}

void KestroMainWidget::onStopPlay()
{
    qWarning() << "KestroMainWidget::onStopPlay";
    const bool failed = m_masterFailed;
    m_masterFailed = false;
    if (m_autoNext && m_channelModel1) {
        qWarning() << "KestroMainWidget::onStopPlay: the recording ended, playing the next";
        clearAutoNext();
        LuFileInfoModel *next = nextAfterRun();
        stopPlay();
        if (next) {
            autoPlayNext(next);
            // Still running on by itself: a next file that cannot be played is passed over too
            // (it never reports a duration, which would arm this again).
            m_autoNext = true;
        } else {
            if (m_isFullScreen)
                switchFullScreen(false);
            if (failed)
                showCannotPlay();
        }
    } else if (failed && m_channelModel1) {
        // The session stays open on this recording, so that previous and next still work.
        qWarning() << "KestroMainWidget::onStopPlay: the recording cannot be played";
        showCannotPlay();
    } else if (m_pendingPlay && m_pendingModel) {
        qWarning() << "KestroMainWidget::onStopPlay: starting the chosen recording";
        LuFileInfoModel *pending = m_pendingModel;
        m_pendingPlay = false;
        m_pendingModel = nullptr;
        autoPlayNext(pending);
    } else {
        qWarning() << "KestroMainWidget::onStopPlay: nothing to start";
    }
}

void KestroMainWidget::willDeleteFileSlot(QModelIndex index)
{
    if (!index.isValid())
        return;
    LuFileInfoModel *model = HWDeviceTreeView::modelAt(index);
    if (!model)
        return;
    if (model == m_channelModel1 || model == m_channelModel2 || model == m_channelModel3) {
        qWarning() << "KestroMainWidget::willDeleteFileSlot: deleting an open file";
        clearAutoNext();
        stopPlay();
    }
    if (m_pendingModel == model) {
        m_pendingModel = nullptr;
        m_pendingPlay = false;
    }
    if (m_seekOnStartModel == model)
        m_seekOnStartModel = nullptr;
    // Page ids stay as they are; the deleted one's asks are refused.
    std::replace(m_mapDriveRecordings.begin(), m_mapDriveRecordings.end(), model,
                 static_cast<LuFileInfoModel *>(nullptr));
    m_trackLoader->cancel(model);
    takeModelOut(m_libraryModels, model);
    delete model;
    showFileList();
}
