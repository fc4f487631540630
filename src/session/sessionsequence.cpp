// What follows what in a session: the user's choice of a recording, previous and next, the end
// of a file (the next recording of the drive without a break, else the list's next one past the
// drive), files that cannot be played, and files taken out of the list.
#include "playbacksession.h"

#include "channelsync.h"
#include "hwplaywidget.h"
#include "library.h"
#include "lucoverwidget.h"
#include "lufileinfomodel.h"
#include "playlabel.h"
#include "sessionlog.h"

#include <QCoreApplication>
#include <QDebug>

void PlaybackSession::autoPlayNext(LuFileInfoModel *model)
{
    if (model)
        open(model);
}

void PlaybackSession::choose(LuFileInfoModel *model)
{
    if (!model)
        return;
    clearAutoNext();
    if (m_playState == Stopped)
        open(model);
    else
        startPendingAfterStop(model);
}

void PlaybackSession::playFrom(LuFileInfoModel *model, int second)
{
    if (!m_library->contains(model))
        return;
    m_seekOnStartModel = model;
    m_seekOnStartSecond = second;
    choose(model);
}

void PlaybackSession::startPendingAfterStop(LuFileInfoModel *target)
{
    qCWarning(lcSession) << "PlaybackSession: next recording" << target->fileName;
    clearAutoNext();
    // Only a player with a started file reports the end of it when stopped; an idle one (its
    // file failed or ran out) would leave the start waiting for ever.
    const bool stopWillReport = m_views.panes.first()->hasFile();
    stop();
    if (stopWillReport) {
        m_pendingPlay = true;
        m_pendingModel = target;
    } else {
        autoPlayNext(target);
    }
}

void PlaybackSession::previous()
{
    if (!m_channelModel1 || m_library->holdsOnlyRecordingOf(m_channelModel1))
        return;
    LuFileInfoModel *front = m_channelModel1;
    for (LuFileInfoModel *c : openChannels())
        if (c->channelIndex == 1) {
            front = c;
            break;
        }
    if (LuFileInfoModel *target = m_library->recordingBefore(front))
        startPendingAfterStop(target);
}

void PlaybackSession::next()
{
    if (!m_channelModel1 || m_library->holdsOnlyRecordingOf(m_channelModel1))
        return;
    if (LuFileInfoModel *target = findNextRecording(true))
        startPendingAfterStop(target);
}

LuFileInfoModel *PlaybackSession::findNextRecording(bool wrap) const
{
    const QList<LuFileInfoModel *> open = openChannels();
    LuFileInfoModel *anchor = m_channelModel1;
    for (LuFileInfoModel *c : open)
        if (c->channelIndex == open.size()) {
            anchor = c;
            break;
        }
    return m_library->recordingAfter(anchor, wrap);
}

void PlaybackSession::masterFailed(const QString &reason)
{
    if (!m_channelModel1)
        return;
    qCWarning(lcSession) << "PlaybackSession: cannot play" << m_channelModel1->nativePath << "-"
                         << reason;
    m_masterFailed = true;
}

void PlaybackSession::showCannotPlay()
{
    m_views.panes.first()->hide();
    m_views.cover->setMessage(QCoreApplication::translate("KestroMainWidget", "无法播放此文件"));
    m_views.cover->show();
    m_views.cover->raise();
}

void PlaybackSession::masterEnded()
{
    qCWarning(lcSession) << "PlaybackSession::masterEnded";
    const bool failed = m_masterFailed;
    m_masterFailed = false;
    if (m_autoNext && m_channelModel1) {
        qCWarning(lcSession) << "PlaybackSession: the recording ended, playing the next";
        clearAutoNext();
        LuFileInfoModel *next = m_library->nextAfterRun(m_run);
        stop();
        if (next) {
            autoPlayNext(next);
            // Still running on by itself: a next file that cannot be played is passed over too
            // (it never reports a duration, which would arm this again).
            m_autoNext = true;
        } else if (failed) {
            showCannotPlay();
        }
    } else if (failed && m_channelModel1) {
        // The session stays open on this recording, so that previous and next still work.
        qCWarning(lcSession) << "PlaybackSession: the recording cannot be played";
        showCannotPlay();
    } else if (m_pendingPlay && m_pendingModel) {
        qCWarning(lcSession) << "PlaybackSession: starting the chosen recording";
        LuFileInfoModel *pending = m_pendingModel;
        m_pendingPlay = false;
        m_pendingModel = nullptr;
        autoPlayNext(pending);
    } else {
        qCWarning(lcSession) << "PlaybackSession: nothing to start";
    }
}

void PlaybackSession::prepareContinuation()
{
    if (m_playState == Stopped || !m_channelModel1)
        return;
    const bool follows = m_library->nextInDrive(m_channelModel1, m_channelCount) != nullptr;
    m_views.panes.first()->player()->setHoldLastFrame(follows);
    if (follows)
        qCWarning(lcSession) << "PlaybackSession: the next recording continues the drive";
}

void PlaybackSession::masterEndHeld()
{
    if (m_playState == Stopped || !m_channelModel1)
        return;
    // The list may have changed since the end was foreseen.
    if (LuFileInfoModel *next =
            m_autoNext ? m_library->nextInDrive(m_channelModel1, m_channelCount) : nullptr) {
        continueInto(next);
        return;
    }
    // Closing the held file reports its end, and the session goes on as at any end.
    PlayLabel *player = m_views.panes.first()->player();
    player->setHoldLastFrame(false);
    player->on_file_close();
}

void PlaybackSession::continueInto(LuFileInfoModel *next)
{
    qCWarning(lcSession) << "PlaybackSession::continueInto" << next->fileName;
    for (LuFileInfoModel *c : openChannels())
        c->isPlaying = false;
    m_masterFailed = false;
    bindRecording(next, true);
    loadChannels(true);
    // Held again once the new length is known and a further recording follows.
    m_views.panes.first()->player()->setHoldLastFrame(false);
    m_channelSync->setChannelCount(m_channelCount);
    emit marksChanged();
    emit opened();
}

void PlaybackSession::forget(LuFileInfoModel *model)
{
    m_run.removeAll(model);
    if (isOpen(model)) {
        qCWarning(lcSession) << "PlaybackSession: deleting an open file";
        end();
    }
    if (m_pendingModel == model) {
        m_pendingModel = nullptr;
        m_pendingPlay = false;
    }
    if (m_seekOnStartModel == model)
        m_seekOnStartModel = nullptr;
}
