#include "drivefiles.h"

#include "channelnames.h"
#include "drivegrouping.h"
#include "recordingrange.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

QStringList recordingChannels(const QString &frontPath, QString *error)
{
    const QFileInfo info(frontPath);
    const QString name = info.fileName();
    ChannelEndings endings;
    if (channelEndingsOf(name, &endings)) {
        if (endings.channel != 1) {
            *error = QStringLiteral("%1 is not a front channel's file").arg(name);
            return {};
        }
        const QString stem = name.left(name.size() - endings.own.size());
        QStringList channels{frontPath};
        for (const QString &partner : endings.partners) {
            const QString path = info.dir().filePath(stem + partner);
            if (QFileInfo::exists(path))
                channels << path;
        }
        return channels;
    }
    *error = QStringLiteral("%1 is not named as a front channel's file").arg(name);
    return {};
}

QVector<ClipRecording> driveRecordings(const QStringList &frontPaths, QString *error)
{
    QVector<ClipRecording> recordings;
    QDateTime previousEnd;
    QString previousName;
    for (const QString &front : frontPaths) {
        ClipRecording recording;
        recording.channels = recordingChannels(front, error);
        if (recording.channels.isEmpty())
            return {};
        const QString name = QFileInfo(front).fileName();
        recording.seconds = recordingSeconds(front);
        if (recording.seconds <= 0) {
            *error = QStringLiteral("%1 cannot be read").arg(name);
            return {};
        }
        if (!recordings.isEmpty() &&
            recording.channels.size() != recordings.front().channels.size()) {
            *error = QStringLiteral("not one drive: %1 has %2 channels, %3 has %4")
                         .arg(name)
                         .arg(recording.channels.size())
                         .arg(QFileInfo(frontPaths.front()).fileName())
                         .arg(recordings.front().channels.size());
            return {};
        }
        DriveFile file;
        file.fileName = name;
        file.fileTime = QFileInfo(front).lastModified().toUTC();
        file.seconds = recording.seconds;
        const QDateTime start = driveFileStart(file);
        if (previousEnd.isValid()) {
            const qint64 gap = previousEnd.secsTo(start);
            if (gap > kDriveGapSeconds || gap < -kDriveGapSeconds) {
                *error = QStringLiteral("not one drive: %1 starts %2 s %3 %4 ends (more than "
                                        "%5 s apart, or out of order)")
                             .arg(name)
                             .arg(std::abs(gap))
                             .arg(gap > 0 ? QStringLiteral("after") : QStringLiteral("before"))
                             .arg(previousName)
                             .arg(kDriveGapSeconds);
                return {};
            }
        }
        previousEnd = start.addMSecs(qint64(std::llround(recording.seconds * 1000)));
        previousName = name;
        recordings.push_back(recording);
    }
    return recordings;
}
