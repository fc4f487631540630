// The session's state: the open recording in its panes, play, pause and stop, shared rates and
// seeks, the progress bar's handle, what pane 1 reports, and snapshots.
#include "playbacksession.h"

#include "channelsync.h"
#include "drivelist.h"
#include "hwdefaultsettings.h"
#include "hwplaywidget.h"
#include "library.h"
#include "lucoverwidget.h"
#include "lufileinfomodel.h"
#include "luprogressslider.h"
#include "playlabel.h"
#include "sessionlog.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QMutexLocker>

namespace {
namespace playbacksession {
// The files of model's recording in the order the panes show them, the master first. A file of
// the three-channel families opens as the master with its partners after it (the back file
// chosen shows the front one beside it); the car's cameras always open from the front-most.
QList<LuFileInfoModel *> channelsInPanes(LuFileInfoModel *model, int panes)
{
    QList<LuFileInfoModel *> channels{model};
    if (model->carCameras) {
        channels = {recordingOf(model)};
        for (LuFileInfoModel *c = channels.first()->nextChannel; c && channels.size() < panes;
             c = c->nextChannel)
            channels << c;
        return channels;
    }
    LuFileInfoModel *second = nullptr, *third = nullptr;
    switch (model->channelIndex) {
    case 1:
        second = model->nextChannel;
        third = second ? second->nextChannel : nullptr;
        break;
    case 2:
        second = model->prevChannel;
        third = model->nextChannel;
        break;
    case 3:
        second = model->prevChannel;
        third = second ? second->prevChannel : nullptr;
        break;
    default:
        break;
    }
    // Numbered as before: a missing second channel leaves the third out too.
    if (second) {
        channels << second;
        if (third)
            channels << third;
    }
    return channels;
}
} // namespace playbacksession
} // namespace

PlaybackSession::PlaybackSession(Library *library, const SessionViews &views, QObject *parent)
    : QObject(parent), m_library(library), m_views(views)
{
    Q_ASSERT(m_views.panes.size() >= 3 && m_views.cover && m_views.progress);
    m_channelSync = new ChannelSync(this);
    QList<PlayLabel *> players;
    for (HWPlayWidget *pane : qAsConst(m_views.panes))
        players << pane->player();
    m_channelSync->setPlayers(players);

    HWPlayWidget *master = m_views.panes.first();
    // The master's length is the recording's: a shorter back channel must not set the range.
    connect(master, &HWPlayWidget::updateVideoDurationSignal, this,
            &PlaybackSession::durationReported);
    connect(master, &HWPlayWidget::playStartSignal, this, &PlaybackSession::masterStarted);
    connect(master, &HWPlayWidget::sigUpdateFileAttribute, this,
            [this](int64_t, int width, int height) { attributesReported(width, height); });
    connect(master, &HWPlayWidget::updateVideoProgressSignal, this,
            &PlaybackSession::progressReported);
    connect(master, &HWPlayWidget::playEndSignal, this, &PlaybackSession::masterEnded);
    connect(master, &HWPlayWidget::endHeldSignal, this, &PlaybackSession::masterEndHeld);
    connect(master, &HWPlayWidget::playFailedSignal, this, &PlaybackSession::masterFailed);
    connect(library, &Library::aboutToRemove, this, &PlaybackSession::forget);
    // A recording added or removed may continue the open one's drive.
    connect(library, &Library::regrouped, this, &PlaybackSession::prepareContinuation);
}

LuFileInfoModel *PlaybackSession::channel(int number) const
{
    return m_channels.value(number - 1);
}

QList<LuFileInfoModel *> PlaybackSession::openChannels() const
{
    return m_channels;
}

bool PlaybackSession::isOpen(const LuFileInfoModel *model) const
{
    return model && m_channels.contains(const_cast<LuFileInfoModel *>(model));
}

double PlaybackSession::position() const
{
    return m_views.panes.first()->player()->position();
}

int PlaybackSession::lastSecond() const
{
    return m_views.progress->maximum();
}

int PlaybackSession::shownSecond() const
{
    return m_views.progress->value();
}

void PlaybackSession::clearAutoNext()
{
    qCWarning(lcSession) << ".............auto stop is false";
    m_autoNext = false;
}

void PlaybackSession::open(LuFileInfoModel *model)
{
    // A start chosen earlier must not fire later over this one.
    m_pendingPlay = false;
    m_pendingModel = nullptr;
    m_masterFailed = false;
    if (model != m_seekOnStartModel)
        m_seekOnStartModel = nullptr;
    m_views.cover->setMessage(QString());
    m_run.clear();
    bindRecording(model, false);
    loadChannels(false);
    m_channelSync->setChannelCount(m_channelCount);
    m_channelSync->setPlaying(true);
    m_playState = Playing;
    emit stateChanged(m_playState);
    emit opened();
    emit marksChanged();
}

void PlaybackSession::loadChannels(bool continuing)
{
    for (int i = 0; i < m_channels.size(); ++i) {
        LuFileInfoModel *model = m_channels[i];
        HWPlayWidget *pane = m_views.panes[i];
        pane->previewPath = model->previewPath;
        if (continuing)
            pane->continueWith(model->nativePath);
        else
            pane->openFile(model->nativePath);
    }
}

void PlaybackSession::bindRecording(LuFileInfoModel *model, bool keepLayout)
{
    using namespace playbacksession;
    m_run << recordingOf(model);
    {
        QMutexLocker lock(&m_sessionMutex);
        m_channels = channelsInPanes(model, m_views.panes.size());
        m_channelModel1 = m_channels.first();
        m_channelCount = m_channels.size();
        for (LuFileInfoModel *c : qAsConst(m_channels)) {
            qCWarning(lcSession) << "PlaybackSession::bindRecording" << c->fileName;
            c->isPlaying = true;
            // Read off the GUI thread: playback starts at once, the track follows.
            m_library->loadTrack(c);
        }
    }
    emit recordingBound(keepLayout);
}

void PlaybackSession::stop()
{
    if (m_playState == Stopped)
        return;
    qCWarning(lcSession) << "PlaybackSession::stop";
    m_views.cover->setMessage(QString());
    m_views.cover->show();
    m_views.cover->raise();
    for (HWPlayWidget *pane : qAsConst(m_views.panes))
        pane->hide();
    {
        QMutexLocker lock(&m_sessionMutex);
        HWPlayWidget *master = m_views.panes.first();
        master->player()->setHoldLastFrame(false);
        master->stopVideo();
        for (int i = 1; i < m_channels.size(); ++i)
            m_views.panes[i]->stopVideo();
        m_channelSync->stopped();
        m_playState = Stopped;
        for (LuFileInfoModel *c : qAsConst(m_channels))
            c->isPlaying = false;
    }
    emit marksChanged();
    m_channels.clear();
    m_channelModel1 = nullptr;
    m_channelCount = 1;
    m_views.progress->setValue(0);
    emit stateChanged(m_playState);
    emit stopped();
}

void PlaybackSession::stopByUser()
{
    qCWarning(lcSession) << "PlaybackSession::stopByUser";
    clearAutoNext();
    m_pendingPlay = false;
    m_pendingModel = nullptr;
    stop();
}

void PlaybackSession::end()
{
    clearAutoNext();
    stop();
}

void PlaybackSession::togglePause()
{
    if (!m_channelModel1)
        return;
    {
        QMutexLocker lock(&m_sessionMutex);
        const bool pause = m_playState == Playing;
        for (HWPlayWidget *pane : qAsConst(m_views.panes)) {
            if (pause)
                pane->pauseVideo();
            else
                pane->continueVideo();
        }
        m_playState = pause ? Paused : Playing;
        m_channelSync->setPlaying(!pause);
    }
    emit stateChanged(m_playState);
}

void PlaybackSession::capture()
{
    if (m_playState == Stopped)
        return;
    HWDefaultSettings *store = HWDefaultSettings::instance();
    const QString folder = store->snapDir();
    int n = store->lastCaptureIndex() + 1;
    if (QDir(folder).entryList(QDir::Files).isEmpty())
        n = 1;
    const int digits = n >= 1000 ? 4 : 3;
    bool first = true;
    for (int i = 0; i < m_channels.size(); ++i) {
        LuFileInfoModel *model = m_channels[i];
        if (!first)
            ++n;
        first = false;
        const QString path = folder + QLatin1Char('/') + model->fileStem +
                             QStringLiteral("_%1.jpg").arg(n, digits, 10, QLatin1Char('0'));
        store->setLastCaptureIndex(n);
        m_views.panes[i]->snapshot(path);
    }
}

bool PlaybackSession::setRate(double rate)
{
    if (m_playState == Stopped)
        return false;
    // Every channel: a rate for pane 1 alone would leave the others minutes behind.
    m_channelSync->setRate(rate);
    return true;
}

void PlaybackSession::seekToSecond(int second)
{
    if (m_playState == Stopped || !m_channelModel1)
        return;
    const int target = qBound(0, second, m_views.progress->maximum());
    m_channelSync->seek(target, true);
    emit positionChanged(target);
}

void PlaybackSession::handlePressed()
{
    m_sliderPressed = true;
}

void PlaybackSession::handleReleased()
{
    m_sliderPressed = false;
    if (m_playState == Stopped)
        return;
    // One exact seek where the handle was let go (the drag itself only showed key frames).
    const int value = m_views.progress->value();
    m_channelSync->seek(value, true);
    emit positionChanged(value);
}

void PlaybackSession::handleMoved(int value)
{
    if (!m_sliderPressed || m_playState == Stopped)
        return;
    // Fast key-frame seeks follow the handle in every pane.
    m_channelSync->seek(value, false);
    emit positionChanged(value);
}

void PlaybackSession::clickedAt(double fraction)
{
    const int t = int(m_views.progress->maximum() * fraction);
    m_channelSync->seek(t, true);
    emit positionChanged(t);
}

void PlaybackSession::masterStarted()
{
    m_views.cover->hide();
}

void PlaybackSession::durationReported(float duration)
{
    qCWarning(lcSession) << "PlaybackSession::durationReported" << duration;
    if (!m_channelModel1)
        return;
    m_autoNext = true;
    m_channelModel1->videoDuration = duration;
    prepareContinuation();
    m_views.progress->setRange(0, int(duration));
    emit durationChanged(duration);
    if (m_seekOnStartModel && m_seekOnStartModel == m_channelModel1) {
        m_seekOnStartModel = nullptr;
        seekToSecond(m_seekOnStartSecond);
    }
}

void PlaybackSession::progressReported(float progress)
{
    if (!m_channelModel1)
        return;
    m_channelSync->masterMoved();
    // While the user drags the handle it stays under the mouse, not on the playing position.
    if (m_sliderPressed)
        return;
    const int p = int(progress + 0.5f);
    m_views.progress->setValue(p);
    emit positionChanged(p);
}

void PlaybackSession::attributesReported(int width, int height)
{
    if (!m_channelModel1)
        return;
    m_channelModel1->videoWidth = width;
    m_channelModel1->videoHeight = height;
    emit attributesChanged(width, height);
}
