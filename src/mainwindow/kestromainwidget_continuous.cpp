// Continuous playback within a drive: when the open recording ends and the recording that
// follows it in time belongs to the same drive, every pane holds its last frame and loads the
// next recording's channel in its place, so the pictures go on without the cover in between.
// At the drive's end, the list's own order takes over again from the recording the run
// started with, so a list sorted newest first never leads back into the same drive.
#include "channelsync.h"
#include "drivegrouping.h"
#include "drivelist.h"
#include "hwdevicetreeview.h"
#include "hwplaywidget.h"
#include "kestromainwidget.h"
#include "lufileinfomodel.h"
#include "playlabel.h"
#include "ui_kestromainwidget.h"

#include <QDebug>

LuFileInfoModel *KestroMainWidget::nextInDrive() const
{
    if (!m_channelModel1 || m_channelModel1->videoDuration <= 0)
        return nullptr;
    DriveFile current = driveFileOf(m_channelModel1);
    current.seconds = m_channelModel1->videoDuration;
    const QDateTime currentStart = driveFileStart(current);
    // The recording that starts first after this one, wherever the list shows it: a drive
    // plays forward in time.
    LuFileInfoModel *next = nullptr;
    QDateTime nextStart;
    for (LuFileInfoModel *model : m_libraryModels) {
        // A recording is entered by its front-most channel, as the list plays it.
        if (model == m_channelModel1 || recordingOf(model) != model)
            continue;
        const QDateTime start = driveFileStart(driveFileOf(model));
        if (start > currentStart && (!next || start < nextStart)) {
            next = model;
            nextStart = start;
        }
    }
    if (!next || recordingChannelCount(next) != m_channelCount)
        return nullptr;
    return groupIntoDrives({current, driveFileOf(next)}).size() == 1 ? next : nullptr;
}

void KestroMainWidget::prepareContinuation()
{
    if (m_playState == 0 || !m_channelModel1)
        return;
    const bool follows = nextInDrive() != nullptr;
    ui->widget_display_1->player()->setHoldLastFrame(follows);
    if (follows)
        qWarning() << "KestroMainWidget: the next recording continues the drive";
}

void KestroMainWidget::masterEndHeld()
{
    if (m_playState == 0 || !m_channelModel1)
        return;
    // The list may have changed since the end was foreseen.
    if (LuFileInfoModel *next = m_autoNext ? nextInDrive() : nullptr) {
        continueInto(next);
        return;
    }
    // Closing the held file reports its end, and the session goes on as at any end.
    ui->widget_display_1->player()->setHoldLastFrame(false);
    ui->widget_display_1->player()->on_file_close();
}

void KestroMainWidget::continueInto(LuFileInfoModel *next)
{
    qWarning() << "KestroMainWidget::continueInto" << next->fileName;
    for (LuFileInfoModel *channel : {m_channelModel1, m_channelModel2, m_channelModel3})
        if (channel)
            channel->isPlaying = false;
    runPageScript(QStringLiteral("clearGPSLine()"));
    m_masterFailed = false;
    bindRecording(next, true);
    loadChannels(true);
    // Held again once the new length is known and a further recording follows.
    ui->widget_display_1->player()->setHoldLastFrame(false);
    m_channelSync->setChannelCount(m_channelCount);
    ui->treeView_filelist->setFileList(m_libraryModels);
    showDrivingEvents();
}

LuFileInfoModel *KestroMainWidget::nextAfterRun() const
{
    if (!m_runStart || m_runStart == m_channelModel1 || !m_libraryModels.contains(m_runStart))
        return findNextRecording(false);
    // The list's next after the recording the run started with (its last channel's row).
    LuFileInfoModel *anchor = m_runStart;
    while (anchor->nextChannel && m_libraryModels.contains(anchor->nextChannel))
        anchor = anchor->nextChannel;
    return recordingAfter(anchor, false);
}
