#pragma once
// Tracks from elsewhere: a phone's GPX or KML, an NMEA log, and the side file a camera writes
// beside its video (sidefile.h). Beside the readers of the video's own layouts.

#include <QString>
#include <QVector>

#include <cstdint>
#include <limits>

// A track recorded apart from the video: a phone's GPX or KML, an NMEA log, or a camera's side
// file (NMEA, GPX, subtitles carrying GPS text) beside the video.

// One position of such a track.
struct ExternalFix
{
    static constexpr int64_t kNoTime = std::numeric_limits<int64_t>::min();
    int64_t utcMs = kNoTime;    // milliseconds since 1970-01-01 UTC; kNoTime when not given
    double recordingSecond = -1; // seconds into its video (subtitle cues); below 0: not given
    double latitude = 0;         // signed decimal degrees, WGS-84
    double longitude = 0;
    double speedKmh = std::numeric_limits<double>::quiet_NaN(); // NaN: not recorded
    double course = std::numeric_limits<double>::quiet_NaN();   // degrees from north; NaN: not recorded
};

struct ExternalTrack
{
    // Why a file was refused, for a message in the user's language.
    enum class Refusal { None, Unreadable, TooLarge, NotXml, NeitherGpxNorKml, Untimed, NoPosition };

    QString path;
    QVector<ExternalFix> fixes; // in time order, one per instant
    int duplicatesDropped = 0;  // fixes of an instant already held
    bool reordered = false;     // the file's times were not in order
    // Empty when the file was read; else one sentence (in English, for logs and the command
    // line) saying why it was refused.
    QString error;
    Refusal refusal = Refusal::None;
    bool ok() const { return error.isEmpty(); }
    int64_t startMs() const { return fixes.isEmpty() ? ExternalFix::kNoTime : fixes.first().utcMs; }
    int64_t endMs() const { return fixes.isEmpty() ? ExternalFix::kNoTime : fixes.last().utcMs; }
};

// Files larger than this are refused unread.
constexpr int64_t kMostExternalTrackBytes = int64_t(512) << 20;

// Reads a track file by its content (GPX 1.0/1.1, KML with timed points, NMEA 0183 text,
// subtitles with GPS text), whatever its name says. Refused, with the reason in error: a file
// that cannot be read or is too large, XML that is not well formed or neither GPX nor KML,
// points without time (subtitles excepted: their cues give the time into the video), a file
// without one position.
ExternalTrack readExternalTrack(const QString &path, int64_t mostBytes = kMostExternalTrackBytes);

// The side file that gives a video without a track of its own its track: beside it, with the
// same base name and the extension .nmea, .gpx, .log or .srt in either letter case (the first
// found in that order); empty when there is none.
QString sideTrackFileOf(const QString &videoPath);
