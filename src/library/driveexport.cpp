#include "driveexport.h"

#include "librarylog.h"
#include "trackexport.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>

bool writeDriveTrack(const QVector<DriveExportPart> &parts, const QString &path)
{
    QVector<ExportedTrack> tracks;
    for (const DriveExportPart &part : parts) {
        TrackLoadResult result;
        LuFileInfoModel::readTrack(part.source, &result);
        QFile cache(result.cachePath);
        if (!result.loaded || !cache.open(QIODevice::ReadOnly)) {
            // One recording without GPS leaves a gap, not a failed export.
            qCWarning(lcLibrary) << "writeDriveTrack: no track for" << part.source.nativePath;
            continue;
        }
        TrackExportOptions options;
        options.haisiScale = result.fineGScale;
        tracks.append({part.name, trackPointsFromText(cache.readAll(), options)});
    }

    QByteArray text;
    if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
        text = trackCsvHeader();
        for (const ExportedTrack &track : qAsConst(tracks))
            text += trackPointsToCsv(track.points);
    } else {
        text = tracksToGpx(tracks, QStringLiteral("Q-MARL"));
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        qCWarning(lcLibrary) << "writeDriveTrack: cannot write" << path << out.errorString();
        return false;
    }
    qCWarning(lcLibrary) << "writeDriveTrack:" << tracks.size() << "of" << parts.size()
                         << "recordings to" << path;
    return true;
}
