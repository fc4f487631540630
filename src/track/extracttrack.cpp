#include "extracttrack.h"
#include "rmcinfo.h"
#include "trackdiagnostics.h"
#include "trackreaders.h"


namespace {
// What the last extraction reported, per thread: extractions on worker threads may run side by
// side, and each caller asks about its own.
thread_local int t_haisi = 0;
thread_local TrackLayout t_layout = TrackLayout::None;

int extract(const VideoInput &video, const char *textPath, int kind, TrackLayout *layout)
{
    *layout = TrackLayout::None;
    trackDiag("RMCINFO size %d\n", int(sizeof(RMCINFO)));
    if (!video.path && !video.data)
        return -1;
    const auto finish = [layout](int result, TrackLayout found) {
        if (result >= 0)
            *layout = found;
        return result;
    };

    if (readChipTrailer(video, textPath) >= 0)
        return finish(0, TrackLayout::ChipTrailer);
    const int gps0 = readGps0Box(video, textPath);
    if (gps0 >= 0)
        return finish(0, TrackLayout::Gps0);

    switch (kind) {
    case 0:
        return finish(readMovFreeGps(video, textPath), TrackLayout::FreeGps);
    case 1: {
        TrackLayout found = TrackLayout::None;
        const int mp4 = readMp4Track(video, textPath, &found);
        if (mp4 >= 0)
            return finish(mp4, found);
        return finish(readMovFreeGps(video, textPath), TrackLayout::FreeGps);
    }
    case 2:
        return finish(readTransportStream(video, textPath), TrackLayout::TransportStream);
    default:
        return gps0;
    }
}
} // namespace

int extractTrackTo(const char *videoPath, const char *textPath, int kind, TrackLayout *layout)
{
    if (!textPath)
        return -1;
    VideoInput input;
    input.path = videoPath;
    TrackLayout found = TrackLayout::None;
    const int result = extract(input, textPath, kind, &found);
    if (layout)
        *layout = found;
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
    TrackLayout found = TrackLayout::None;
    const int result = extract(input, textPath, kind, &found);
    if (layout)
        *layout = found;
    return result;
}

int extractTrack(const char *videoPath, const char *textPath, int kind)
{
    t_haisi = 0;
    t_layout = TrackLayout::None;
    if (!textPath) {
        trackDiag("RMCINFO size %d\n", int(sizeof(RMCINFO)));
        return -1;
    }
    VideoInput input;
    input.path = videoPath;
    const int result = extract(input, textPath, kind, &t_layout);
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
