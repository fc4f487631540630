#include "extracttrack.h"
#include "rmcinfo.h"
#include "trackdiagnostics.h"
#include "trackreaders.h"

#include <atomic>

namespace {
// Process-wide like the rest of extraction: one extraction at a time.
std::atomic<int> s_haisi{0};
std::atomic<TrackLayout> s_layout{TrackLayout::None};

int finish(int result, TrackLayout layout)
{
    if (result >= 0)
        s_layout = layout;
    return result;
}
} // namespace

int extractTrack(const char *videoPath, const char *textPath, int kind)
{
    s_haisi = 0;
    s_layout = TrackLayout::None;
    trackDiag("RMCINFO size %d\n", int(sizeof(RMCINFO)));
    if (!videoPath || !textPath)
        return -1;

    if (readChipTrailer(videoPath, textPath) >= 0)
        return finish(0, TrackLayout::ChipTrailer);
    const int gps0 = readGps0Box(videoPath, textPath);
    if (gps0 >= 0)
        return finish(0, TrackLayout::Gps0);

    switch (kind) {
    case 0:
        return finish(readMovFreeGps(videoPath, textPath), TrackLayout::FreeGps);
    case 1: {
        TrackLayout layout = TrackLayout::None;
        const int mp4 = readMp4Track(videoPath, textPath, &layout);
        if (mp4 >= 0) {
            if (layout == TrackLayout::HiSilicon)
                s_haisi = 1;
            return finish(mp4, layout);
        }
        return finish(readMovFreeGps(videoPath, textPath), TrackLayout::FreeGps);
    }
    case 2:
        return finish(readTransportStream(videoPath, textPath), TrackLayout::TransportStream);
    default:
        return gps0;
    }
}

int isHaisiTrack()
{
    return s_haisi;
}

TrackLayout lastTrackLayout()
{
    return s_layout;
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
