#pragma once

#include "externaltrack.h"

#include <QString>

#include <cstdint>

class LuFileInfoModel;

// When a recording started by its own clock: the time stamp of its name, else its file time,
// read in the computer's time zone; milliseconds since 1970 UTC, ExternalFix::kNoTime when
// neither is known.
int64_t recordingStartUtcMs(const LuFileInfoModel *recording);

// What a track gave one recording.
struct TrackMatch
{
    int coveredSeconds = 0; // seconds of the recording with a fix of the track near them
    int lines = 0;          // lines written (one a second, from the recording's start)
};

// How many seconds of the recording the track covers, written nowhere.
int coveredSeconds(const ExternalTrack &track, int64_t startMs, double seconds,
                   double shiftSeconds);

// Writes the part of track that falls in the recording's time (start, plus shift seconds, for
// seconds seconds) into textPath in the track cache's own form, one line a second from the
// recording's start; speed and course are worked out where the track has none. Nothing is
// written when the track covers none of it.
TrackMatch writeMatchedTrack(const ExternalTrack &track, int64_t startMs, double seconds,
                             double shiftSeconds, const QString &textPath);

// Writes bytes beside path and renames them over it, so a reader meets the old or the new
// contents, never half; without a sync, as a card's worth of caches is written at once.
bool replaceFile(const QString &path, const QByteArray &bytes);
