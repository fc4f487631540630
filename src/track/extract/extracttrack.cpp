#include "extracttrack.h"
#include "ligogps.h"
#include "freegpsvariants.h"
#include "furtherlayouts.h"
#include "layoutreaders.h"
#include "rmcinfo.h"
#include "secondstrack.h"
#include "sidefile.h"

namespace {
namespace extracttrack {
// The HiSilicon flag of the calling thread's last extractTrack: extractions on worker threads
// may run side by side, and each caller asks about its own.
thread_local int t_haisi = 0;

// A layout read as decoded samples: written one line a second, and described in the report.
int writeRead(const LayoutRead &read, TrackLayout layout, const char *textPath,
              TrackReport *report)
{
    const int lines = writeSecondsTrack(read.track, textPath);
    if (lines < 0)
        return -1;
    *report = TrackReport{};
    report->layout = layout;
    report->variant = read.variant;
    report->localTime = read.track.clock == TrackClock::LocalTime;
    report->hasAccel = !read.track.accel.empty();
    return lines;
}

// The further layouts' table, row by row, over one index of the file. The first row that
// recognises the file but cannot decode it says why when no row succeeds.
int readFurtherLayouts(const VideoInput &input, const char *textPath, TrackReport *report)
{
    VideoIndex video(input);
    if (!video.isOpen())
        return -1;
    std::size_t count = 0;
    const FurtherLayout *rows = furtherLayouts(&count);
    std::string firstProblem;
    for (std::size_t i = 0; i < count; ++i) {
        LayoutRead read;
        if (rows[i].read(video, &read)) {
            const int lines = writeRead(read, furtherTrackLayout(int(i)), textPath, report);
            if (lines >= 0)
                return lines;
        }
        if (!read.problem.empty() && firstProblem.empty())
            firstProblem = read.problem;
    }
    *report = TrackReport{};
    report->problem = firstProblem;
    return -1;
}

int extractEmbedded(const VideoInput &video, const char *textPath, int kind, TrackReport *report)
{
    *report = TrackReport{};
    trackDiag("RMCINFO size %d\n", int(sizeof(RMCINFO)));
    if (!video.path && !video.data)
        return -1;
    const auto finish = [report](int result, TrackLayout found) {
        if (result >= 0) {
            report->layout = found;
            report->fineGScale = found == TrackLayout::HiSilicon;
        }
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
        const int mp4 = readMp4Track(video, textPath, &found, isFreeGpsBlockOfAnotherForm);
        if (mp4 >= 0)
            return finish(mp4, found);
        result = finish(readMovFreeGps(video, textPath), TrackLayout::FreeGps);
        break;
    }
    case 2:
        // A stream that ends in a LIGOGPSINFO trailer is read from it first: the older reader
        // would walk every packet of it to find none of its own.
        if (endsWithLigoTrailer(video)) {
            const int further = readFurtherLayouts(video, textPath, report);
            if (further >= 0)
                return further;
        }
        // Streams whose GPS packets hold another layout go on to the further layouts.
        result = finish(readTransportStream(video, textPath), TrackLayout::TransportStream);
        break;
    default:
        return gps0;
    }
    if (result >= 0)
        return result;
    // Files that the older readers found nothing in.
    return readFurtherLayouts(video, textPath, report);
}

int readBesideVideo(const char *videoPath, const char *textPath, TrackReport *report)
{
    LayoutRead read;
    if (readSideFile(videoPath, &read)) {
        TrackReport found;
        const int lines = writeRead(read, TrackLayout::SideFile, textPath, &found);
        if (lines >= 0) {
            *report = found;
            return lines;
        }
    }
    // What the video's own readers recognised is the better explanation.
    if (!read.problem.empty() && report->problem.empty())
        report->problem = read.problem;
    return -1;
}

TrackExtraction extract(const VideoInput &video, const char *textPath, int kind, TrackFrom from)
{
    TrackExtraction e;
    if (from == TrackFrom::SideFile) {
        e.result = readBesideVideo(video.path, textPath, &e.report);
        return e;
    }
    e.result = extractEmbedded(video, textPath, kind, &e.report);
    if (e.result < 0 && from != TrackFrom::Video && video.path)
        e.result = readBesideVideo(video.path, textPath, &e.report);
    return e;
}
} // namespace extracttrack
} // namespace

TrackExtraction extractTrackReport(const char *videoPath, const char *textPath, int kind,
                                   TrackFrom from)
{
    using namespace extracttrack;
    if (!textPath)
        return {};
    VideoInput input;
    input.path = videoPath;
    return extract(input, textPath, kind, from);
}

TrackExtraction extractTrackReportFromMemory(const unsigned char *data, std::size_t size,
                                             const char *textPath, int kind)
{
    using namespace extracttrack;
    // A null pointer would read as "no input"; an empty input is still an input.
    static const unsigned char none = 0;
    VideoInput input;
    input.data = data ? data : &none;
    input.size = data ? size : 0;
    return extract(input, textPath, kind, TrackFrom::Video);
}

int extractTrack(const char *videoPath, const char *textPath, int kind)
{
    using namespace extracttrack;
    t_haisi = 0;
    if (!textPath) {
        trackDiag("RMCINFO size %d\n", int(sizeof(RMCINFO)));
        return -1;
    }
    const TrackExtraction e = extractTrackReport(videoPath, textPath, kind);
    t_haisi = e.report.fineGScale ? 1 : 0;
    return e.result;
}

int isHaisiTrack()
{
    using namespace extracttrack;
    return t_haisi;
}

const char *trackLayoutName(TrackLayout layout)
{
    using namespace extracttrack;
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
    case TrackLayout::SideFile:
        return "side-file";
    case TrackLayout::FirstFurther:
        break;
    }
    std::size_t count = 0;
    const FurtherLayout *rows = furtherLayouts(&count);
    const int row = int(layout) - int(TrackLayout::FirstFurther);
    return row >= 0 && std::size_t(row) < count ? rows[row].name : "none";
}

int containerKindForPath(const QString &path)
{
    using namespace extracttrack;
    if (path.contains(QLatin1String(".mp4"), Qt::CaseInsensitive))
        return 1;
    if (path.contains(QLatin1String(".mov"), Qt::CaseInsensitive))
        return 0;
    if (path.contains(QLatin1String(".ts"), Qt::CaseInsensitive))
        return 2;
    return 0;
}
