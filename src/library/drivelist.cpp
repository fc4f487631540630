#include "drivelist.h"

#include "careventattach.h"
#include "carfolders.h"
#include "channelnames.h"
#include "lufileinfomodel.h"
#include "lugpsmodel.h"

#include <QSet>

#include <algorithm>

namespace {
const QString kFixTime = QStringLiteral("yyyyMMddHHmmss");
// A camera closes its file when the recording ends; a longer span than this is a clock fault.
constexpr qint64 kLongestRecordingSeconds = 3600;

// The recording's length as far as known: played, else its track's seconds, else from the
// file's time when the name says when it started.
double knownSeconds(const LuFileInfoModel *model)
{
    if (model->videoDuration > 0)
        return double(model->videoDuration);
    if (model->trackLoaded && !model->track.isEmpty())
        return double(model->track.size());
    const QDateTime named = nameTimeStamp(model->fileName);
    const qint64 span = named.isValid() && model->fileClock.isValid()
                            ? named.secsTo(model->fileClock)
                            : 0;
    return span > 0 && span <= kLongestRecordingSeconds ? double(span) : 0.0;
}

QDateTime firstFixOf(const LuFileInfoModel *model)
{
    if (!model->trackLoaded)
        return {};
    for (const LuGPSModel *point : model->track)
        if (point->status == 'A')
            return wallClockFromDigits(recordTimeText(point), kFixTime);
    return {};
}
} // namespace

LuFileInfoModel *recordingOf(LuFileInfoModel *model)
{
    // Links run front -> back -> inside (the car's cameras in their order); a broken chain must
    // not loop.
    for (int steps = 1; model->prevChannel && steps < kMaxChannels; ++steps)
        model = model->prevChannel;
    return model;
}

LuFileInfoModel *trackOfRecording(LuFileInfoModel *recording)
{
    for (LuFileInfoModel *channel = recording; channel; channel = channel->nextChannel)
        if (channel->trackState() == LuFileInfoModel::TrackState::Present)
            return channel;
    return recording;
}

DriveFile driveFileOf(const LuFileInfoModel *model)
{
    DriveFile file;
    file.recording = recordingOf(const_cast<LuFileInfoModel *>(model))->identityPath;
    file.fileName = model->fileName;
    file.firstFix = firstFixOf(model);
    file.fileTime = model->fileClock;
    file.seconds = knownSeconds(model);
    file.apart = carEventFolderOf(model->nativePath);
    return file;
}

QVector<Drive> drivesOf(const QList<LuFileInfoModel *> &list)
{
    QVector<DriveFile> files;
    files.reserve(list.size());
    for (const LuFileInfoModel *model : list)
        files.append(driveFileOf(model));

    QVector<Drive> drives;
    for (const QVector<int> &indices : groupIntoDrives(files)) {
        Drive drive;
        QSet<LuFileInfoModel *> seen;
        for (int index : indices) {
            LuFileInfoModel *model = list.at(index);
            drive.files.append(model);
            const QDateTime start = driveFileStart(files[index]);
            const QDateTime end = start.addMSecs(qint64(files[index].seconds * 1000));
            if (!drive.start.isValid() || start < drive.start)
                drive.start = start;
            if (!drive.end.isValid() || end > drive.end)
                drive.end = end;
            LuFileInfoModel *recording = recordingOf(model);
            if (!seen.contains(recording)) {
                seen.insert(recording);
                drive.recordings.append(recording);
            }
        }
        drive.key = drive.recordings.first()->identityPath;
        const QString eventFolder = carEventFolderOf(drive.recordings.first()->nativePath);
        CarEvent carEvent;
        if (!eventFolder.isEmpty() && carEventOfFolder(eventFolder, &carEvent))
            drive.title = carEventReasonText(carEvent.reason);
        for (LuFileInfoModel *recording : qAsConst(drive.recordings)) {
            double seconds = 0;
            bool pending = false;
            for (LuFileInfoModel *channel = recording; channel; channel = channel->nextChannel) {
                seconds = std::max(seconds, knownSeconds(channel));
                pending = pending || channel->trackState() == LuFileInfoModel::TrackState::Pending;
            }
            drive.seconds += seconds;
            drive.events += recording->carEvents.size();
            const LuFileInfoModel *track = trackOfRecording(recording);
            if (track->trackState() != LuFileInfoModel::TrackState::Present) {
                drive.pending += pending ? 1 : 0;
                continue;
            }
            drive.metres += double(track->totalDistance);
            drive.maxKnots = std::max(drive.maxKnots, track->maxSpeed);
            drive.events += track->drivingEvents.size();
        }
        drives.append(drive);
    }
    return drives;
}

double recordingSeconds(const LuFileInfoModel *model)
{
    return knownSeconds(model);
}

const Drive *driveHolding(const QVector<Drive> &drives, const LuFileInfoModel *model)
{
    for (const Drive &drive : drives)
        if (drive.files.contains(const_cast<LuFileInfoModel *>(model)))
            return &drive;
    return nullptr;
}
