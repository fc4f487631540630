#pragma once

// Which reader made a track. The six layouts read by the readers that walk the file themselves
// and the side file have names of their own; the further layouts are numbered by their row of
// the further layouts' table, from FirstFurther on.
enum class TrackLayout : int
{
    None,
    ChipTrailer,
    Gps0,
    GpsIndex,
    HiSilicon,
    FreeGps,
    TransportStream,
    SideFile, // a file beside the video with its base name (NMEA, GPX, subtitles)
    FirstFurther,
};

constexpr TrackLayout furtherTrackLayout(int row)
{
    return TrackLayout(int(TrackLayout::FirstFurther) + row);
}
