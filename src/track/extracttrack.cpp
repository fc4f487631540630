#include "extracttrack.h"

// Placeholder until the readers land: every extraction fails.
int extractTrack(const char *, const char *, int) { return -1; }
int isHaisiTrack() { return 0; }
TrackLayout lastTrackLayout() { return TrackLayout::None; }
const char *trackLayoutName(TrackLayout layout)
{
    switch (layout) {
    case TrackLayout::None: return "none";
    case TrackLayout::ChipTrailer: return "chip-trailer";
    case TrackLayout::Gps0: return "gps0";
    case TrackLayout::GpsIndex: return "gps-index";
    case TrackLayout::HiSilicon: return "hisilicon";
    case TrackLayout::FreeGps: return "freegps";
    case TrackLayout::TransportStream: return "transport-stream";
    }
    return "none";
}
void setTrackDiagnosticsStream(FILE *) {}
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
