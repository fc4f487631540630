#include "recordinglisting.h"

#include "channelnames.h"
#include "drivelist.h"
#include "library.h"
#include "lufileinfomodel.h"
#include "videoduration.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

RecordingListing listRecordings(const QStringList &arguments)
{
    RecordingListing listing;
    for (const QString &argument : arguments)
        if (!QFileInfo::exists(argument))
            listing.missing << argument;
    const QStringList paths = Library::videoPathsOfArguments(arguments, &listing.emptyFolders);
    for (const QString &argument : arguments) {
        const QFileInfo info(argument);
        if (info.isFile() && !paths.contains(info.absoluteFilePath()))
            listing.notVideos << argument;
    }

    // The models own nothing but themselves; the holder deletes them when the listing is done.
    QObject holder;
    QList<LuFileInfoModel *> models;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        auto *model = addUniqueModel(
            models, new LuFileInfoModel(info.fileName(), info.absoluteFilePath(), &holder));
        // The length the viewer learns on playing, read from the header here.
        if (model->videoDuration <= 0)
            model->videoDuration =
                float(videoDurationSeconds(QFile::encodeName(model->nativePath).constData()));
    }
    linkChannels(models);

    const QVector<Drive> drives = drivesOf(models);
    for (int d = 0; d < drives.size(); ++d) {
        for (LuFileInfoModel *head : drives[d].recordings) {
            ListedRecording recording;
            recording.drive = d + 1;
            for (const LuFileInfoModel *c = head;
                 c && recording.channels.size() < kMaxChannels; c = c->nextChannel) {
                // A file no family names plays as the front channel of its own recording.
                recording.channels.push_back(
                    {cameraName(c->channelIndex > 0 ? c->channelIndex : 1, c->carCameras),
                     c->nativePath});
                // The earliest of its files, as the grouping takes it.
                const QDateTime start = driveFileStart(driveFileOf(c));
                if (!recording.start.isValid() || (start.isValid() && start < recording.start))
                    recording.start = start;
            }
            listing.recordings.push_back(recording);
        }
    }
    return listing;
}
