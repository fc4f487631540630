#include "extracttrack.h"
#include "rmcinfo.h"
#include "trackdiagnostics.h"
#include "trackreaders.h"


namespace {
// What the last extraction reported, per thread: extractions on worker threads may run side by
// side, and each caller asks about its own.
thread_local int t_haisi = 0;
thread_local TrackLayout t_layout = TrackLayout::None;

int extract(const char *videoPath, const char *textPath, int kind, TrackLayout *layout)
{
    *layout = TrackLayout::None;
    trackDiag("RMCINFO size %d\n", int(sizeof(RMCINFO)));
    if (!videoPath || !textPath)
        return -1;
    const auto finish = [layout](int result, TrackLayout found) {
        if (result >= 0)
            *layout = found;
        return result;
    };

    if (readChipTrailer(videoPath, textPath) >= 0)
        return finish(0, TrackLayout::ChipTrailer);
    const int gps0 = readGps0Box(videoPath, textPath);
    if (gps0 >= 0)
        return finish(0, TrackLayout::Gps0);

    switch (kind) {
    case 0:
        return finish(readMovFreeGps(videoPath, textPath), TrackLayout::FreeGps);
    case 1: {
        TrackLayout found = TrackLayout::None;
        const int mp4 = readMp4Track(videoPath, textPath, &found);
        if (mp4 >= 0)
            return finish(mp4, found);
        return finish(readMovFreeGps(videoPath, textPath), TrackLayout::FreeGps);
    }
    case 2:
        return finish(readTransportStream(videoPath, textPath), TrackLayout::TransportStream);
    default:
        return gps0;
    }
}
} // namespace

int extractTrackTo(const char *videoPath, const char *textPath, int kind, TrackLayout *layout)
{
    TrackLayout found = TrackLayout::None;
    const int result = extract(videoPath, textPath, kind, &found);
    if (layout)
        *layout = found;
    return result;
}

int extractTrack(const char *videoPath, const char *textPath, int kind)
{
    t_haisi = 0;
    t_layout = TrackLayout::None;
    const int result = extract(videoPath, textPath, kind, &t_layout);
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
