// A video without a track of its own may have its camera's side file beside it.
#include "sidefile.h"
#include "externaltrack.h"
#include "trackdiagnostics.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

bool readSideFile(const char *videoPath, LayoutRead *read)
{
    if (!videoPath)
        return false;
    const QString side = sideTrackFileOf(QFile::decodeName(videoPath));
    if (side.isEmpty())
        return false;
    const std::string name = QFileInfo(side).fileName().toStdString();
    const ExternalTrack track = readExternalTrack(side);
    if (!track.ok()) {
        const std::string why = track.error.toStdString();
        trackDiag("side file refused: %s\n", why.c_str());
        read->problem = "side file refused: " + why;
        return false;
    }
    DecodedTrack &decoded = read->track;
    decoded.samples.reserve(std::size_t(track.fixes.size()));
    // Subtitle cues give the time into the video; their date-time text is the camera's clock.
    bool cueClock = false;
    const int64_t first = track.startMs();
    for (const ExternalFix &f : track.fixes) {
        GpsSample s;
        s.time = f.recordingSecond >= 0 ? f.recordingSecond
                 : f.utcMs != ExternalFix::kNoTime && first != ExternalFix::kNoTime
                     ? double(f.utcMs - first) / 1000
                     : -1;
        s.clock = f.utcMs == ExternalFix::kNoTime ? kNoClock : f.utcMs;
        cueClock = cueClock || (f.recordingSecond >= 0 && s.clock != kNoClock);
        s.fix = true;
        s.latitude = f.latitude;
        s.longitude = f.longitude;
        s.hasSpeed = !std::isnan(f.speedKmh);
        s.speedKmh = s.hasSpeed ? f.speedKmh : 0;
        s.hasCourse = !std::isnan(f.course);
        s.course = s.hasCourse ? f.course : 0;
        decoded.samples.push_back(s);
    }
    decoded.clock = cueClock ? TrackClock::LocalTime : TrackClock::Utc;
    read->variant = "side file: " + name;
    return true;
}
