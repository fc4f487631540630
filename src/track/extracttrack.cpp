#include "extracttrack.h"
#include "externaltrack.h"
#include "gpssample.h"
#include "rmcinfo.h"
#include "trackdiagnostics.h"
#include "trackreaders.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>


namespace {
// What the last extraction reported, per thread: extractions on worker threads may run side by
// side, and each caller asks about its own.
thread_local int t_haisi = 0;
thread_local TrackLayout t_layout = TrackLayout::None;
thread_local TrackReport t_report;

// The readers of the layouts that do not store the 80-byte record, tried in this order once the
// six older readers have found nothing. Those that need only the movie box come first; those
// that may scan the media data come last.
struct FurtherReader
{
    int (*read)(const VideoInput &, const char *, TrackReport *);
    TrackLayout layout;
};
constexpr FurtherReader kFurtherReaders[] = {
    {readGpmfTrack, TrackLayout::GpmfTrack},
    {readCammTrack, TrackLayout::CammTrack},
    {readTextTrack, TrackLayout::TextTrack},
    {readNmeaFreeBox, TrackLayout::NmeaFreeBox},
    {readNmeaAtom, TrackLayout::NmeaAtom},
    {readUuidGps, TrackLayout::UuidGps},
    {readFmasBox, TrackLayout::FmasBox},
    {readUdtaGps, TrackLayout::UdtaGps},
    {readRiffTrailer, TrackLayout::RiffTrailer},
    {readFreeGpsBlocks, TrackLayout::FreeGpsBlocks},
};

int readFurtherLayouts(const VideoInput &video, const char *textPath, TrackReport *report)
{
    TrackReport firstProblem;
    for (const FurtherReader &reader : kFurtherReaders) {
        TrackReport r;
        const int result = reader.read(video, textPath, &r);
        if (result >= 0) {
            r.layout = reader.layout;
            *report = r;
            return result;
        }
        if (!r.problem.empty() && firstProblem.problem.empty()) {
            firstProblem = r;
            firstProblem.layout = TrackLayout::None;
        }
    }
    *report = firstProblem;
    return -1;
}

int extractEmbedded(const VideoInput &video, const char *textPath, int kind, TrackReport *report)
{
    *report = TrackReport{};
    trackDiag("RMCINFO size %d\n", int(sizeof(RMCINFO)));
    if (!video.path && !video.data)
        return -1;
    const auto finish = [report](int result, TrackLayout found) {
        if (result >= 0)
            report->layout = found;
        return result;
    };

    if (readChipTrailer(video, textPath) >= 0)
        return finish(0, TrackLayout::ChipTrailer);
    const int gps0 = readGps0Box(video, textPath);
    if (gps0 >= 0)
        return finish(0, TrackLayout::Gps0);

    int result = -1;
    switch (kind) {
    case 0:
        result = finish(readMovFreeGps(video, textPath), TrackLayout::FreeGps);
        break;
    case 1: {
        TrackLayout found = TrackLayout::None;
        const int mp4 = readMp4Track(video, textPath, &found);
        if (mp4 >= 0)
            return finish(mp4, found);
        result = finish(readMovFreeGps(video, textPath), TrackLayout::FreeGps);
        break;
    }
    case 2:
        return finish(readTransportStream(video, textPath), TrackLayout::TransportStream);
    default:
        return gps0;
    }
    if (result >= 0)
        return result;
    // MP4 and MOV files that the older readers found nothing in.
    return readFurtherLayouts(video, textPath, report);
}

// A video without a track of its own may have its camera's side file beside it.
int readSideFile(const char *videoPath, const char *textPath, TrackReport *report)
{
    if (!videoPath)
        return -1;
    const QString side = sideTrackFileOf(QFile::decodeName(videoPath));
    if (side.isEmpty())
        return -1;
    const std::string name = QFileInfo(side).fileName().toStdString();
    const ExternalTrack track = readExternalTrack(side);
    if (!track.ok()) {
        const std::string why = track.error.toStdString();
        trackDiag("side file refused: %s\n", why.c_str());
        if (report->problem.empty())
            report->problem = "side file refused: " + why;
        return -1;
    }
    DecodedTrack decoded;
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
    const int lines = writeSecondsTrack(decoded, textPath);
    if (lines < 0)
        return -1;
    *report = TrackReport{};
    report->layout = TrackLayout::SideFile;
    report->variant = "side file: " + name;
    report->localTime = cueClock;
    return lines;
}

int extract(const VideoInput &video, const char *textPath, int kind, TrackReport *report,
            TrackFrom from = TrackFrom::Any)
{
    if (from == TrackFrom::SideFile)
        return readSideFile(video.path, textPath, report);
    const int result = extractEmbedded(video, textPath, kind, report);
    return result >= 0 || from == TrackFrom::Video ? result
                                                   : readSideFile(video.path, textPath, report);
}
} // namespace

int extractTrackTo(const char *videoPath, const char *textPath, int kind, TrackLayout *layout,
                   TrackFrom from)
{
    if (!textPath)
        return -1;
    VideoInput input;
    input.path = videoPath;
    TrackReport report;
    const int result = extract(input, textPath, kind, &report, from);
    if (layout)
        *layout = report.layout;
    return result;
}

int extractTrackFromMemory(const unsigned char *data, std::size_t size, const char *textPath,
                           int kind, TrackLayout *layout)
{
    // A null pointer would read as "no input"; an empty input is still an input.
    static const unsigned char none = 0;
    VideoInput input;
    input.data = data ? data : &none;
    input.size = data ? size : 0;
    TrackReport report;
    const int result = extract(input, textPath, kind, &report);
    if (layout)
        *layout = report.layout;
    return result;
}

int extractTrack(const char *videoPath, const char *textPath, int kind)
{
    t_haisi = 0;
    t_layout = TrackLayout::None;
    t_report = TrackReport{};
    if (!textPath) {
        trackDiag("RMCINFO size %d\n", int(sizeof(RMCINFO)));
        return -1;
    }
    VideoInput input;
    input.path = videoPath;
    const int result = extract(input, textPath, kind, &t_report);
    t_layout = t_report.layout;
    t_haisi = t_layout == TrackLayout::HiSilicon ? 1 : 0;
    return result;
}

int isHaisiTrack()
{
    return t_haisi;
}

TrackLayout lastTrackLayout()
{
    return t_layout;
}

const TrackReport &lastTrackReport()
{
    return t_report;
}

const char *trackLayoutName(TrackLayout layout)
{
    switch (layout) {
    case TrackLayout::None:
        return "none";
    case TrackLayout::ChipTrailer:
        return "chip-trailer";
    case TrackLayout::Gps0:
        return "gps0";
    case TrackLayout::GpsIndex:
        return "gps-index";
    case TrackLayout::HiSilicon:
        return "hisilicon";
    case TrackLayout::FreeGps:
        return "freegps";
    case TrackLayout::TransportStream:
        return "transport-stream";
    case TrackLayout::FreeGpsBlocks:
        return "freegps-blocks";
    case TrackLayout::NmeaFreeBox:
        return "nmea-free-box";
    case TrackLayout::GpmfTrack:
        return "gpmf-track";
    case TrackLayout::TextTrack:
        return "text-track";
    case TrackLayout::NmeaAtom:
        return "nmea-atom";
    case TrackLayout::CammTrack:
        return "camm-track";
    case TrackLayout::UuidGps:
        return "uuid-gps";
    case TrackLayout::FmasBox:
        return "fmas-box";
    case TrackLayout::UdtaGps:
        return "udta-gps";
    case TrackLayout::RiffTrailer:
        return "riff-trailer";
    case TrackLayout::SideFile:
        return "side-file";
    }
    return "none";
}

int containerKindForPath(const QString &path)
{
    if (path.contains(QLatin1String(".mp4"), Qt::CaseInsensitive))
        return 1;
    if (path.contains(QLatin1String(".mov"), Qt::CaseInsensitive))
        return 0;
    if (path.contains(QLatin1String(".ts"), Qt::CaseInsensitive))
        return 2;
    return 0;
}
