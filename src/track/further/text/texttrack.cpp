// GPS as text in a subtitle track: each sample a 2-byte big-endian length and the text, which is
// NMEA sentences or one of the cameras' own line forms (see textforms.h). The masked digit form
// also comes in timed-metadata ("gpmd") tracks, without the length word.
#include "furtherlayouts.h"
#include "rmcinfo.h"
#include "secondstrack.h"
#include "textforms.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {
namespace texttrack {
constexpr uint32_t kText = fourcc("text");
constexpr uint32_t kTx3g = fourcc("tx3g");
// Timed-metadata tracks that hold the masked digit form instead of GPMF.
constexpr uint32_t kGpmd = fourcc("gpmd");
constexpr uint32_t kMvhd = fourcc("mvhd");
// Seconds from 1904-01-01 to 1970-01-01.
constexpr int64_t kEpoch1904 = 2082844800;
// A text sample holding GPS is a few hundred bytes; the rest of a longer one is not read.
constexpr std::size_t kMaxSampleBytes = 4096;
// A track whose first samples hold no GPS is a track of subtitles or chapter names.
constexpr int kMaxSamplesWithoutGps = 100;

// The text of one sample: after the length word when the word fits the sample (what follows the
// text is style boxes), else the whole sample (the masked forms write no length word).
std::size_t textOf(const std::vector<unsigned char> &bytes, std::size_t *begin)
{
    *begin = 0;
    if (bytes.size() < 2)
        return bytes.size();
    const std::size_t length = readBe16(bytes.data());
    if (length > 0 && length <= bytes.size() - 2) {
        *begin = 2;
        return length;
    }
    return bytes.size() == 2 && length == 0 ? 0 : bytes.size();
}

bool looksMasked(const unsigned char *text, std::size_t size)
{
    std::size_t odd = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char c = text[i];
        if ((c < 0x20 && c != '\r' && c != '\n' && c != '\t') || c >= 0x7f)
            ++odd;
    }
    return size > 0 && odd * 4 > size;
}

// The movie's creation time (ms since 1970) and length (ms) from its header; false without one,
// or when the creation time was left at zero.
bool movieTimes(VideoIndex &video, int64_t *creation, int64_t *duration)
{
    for (const BoxHead &head : video.movieChildren()) {
        unsigned char h[32];
        if (head.type != kMvhd || head.size - head.headSize < int64_t(sizeof h) ||
            !video.file().readAt(head.offset + head.headSize, h, sizeof h))
            continue;
        const bool wide = h[0] == 1;
        const uint64_t created = wide ? readBe64(h + 4) : readBe32(h + 4);
        const uint32_t scale = readBe32(h + (wide ? 20 : 12));
        const uint64_t length = wide ? readBe64(h + 24) : readBe32(h + 16);
        if (created <= uint64_t(kEpoch1904) || created > uint64_t(kEpoch1904) * 4 || scale == 0 ||
            length > (uint64_t(1) << 40))
            return false;
        *creation = (int64_t(created) - kEpoch1904) * 1000;
        *duration = int64_t(length * 1000 / scale);
        return true;
    }
    return false;
}

// Dates the samples of the forms without a clock from the movie's creation time.
void clockFromMovie(VideoIndex &video, MovieClock kind, DecodedTrack *track)
{
    int64_t creation = 0, duration = 0;
    if (kind == MovieClock::None || !movieTimes(video, &creation, &duration))
        return;
    const int64_t start = kind == MovieClock::FromEnd ? creation - duration : creation;
    for (GpsSample &g : track->samples) {
        if (g.clock == kNoClock && g.time >= 0)
            g.clock = start + int64_t(std::llround(g.time * 1000));
    }
}

struct TrackResult
{
    DecodedTrack decoded;
    TextForm form = TextForm::None;
    int masked = 0; // samples of unreadable bytes that no form decoded
};

TrackResult decodeTrack(InputFile &file, const MediaTrack &track)
{
    TrackResult result;
    std::vector<unsigned char> bytes;
    int withoutGps = 0;
    for (const MediaSample &m : track.samples) {
        if (result.form == TextForm::None && withoutGps >= kMaxSamplesWithoutGps)
            break;
        bytes.resize(std::min<std::size_t>(m.size, kMaxSampleBytes));
        if (bytes.empty() || !file.readAt(m.offset, bytes.data(), bytes.size()))
            continue;
        std::size_t begin = 0;
        const std::size_t length = textOf(bytes, &begin);
        if (length == 0)
            continue;
        TextSample s;
        s.data = bytes.data() + begin;
        s.size = length;
        s.time = m.time;
        s.duration = m.duration;
        const TextForm form = track.format != kGpmd ? decodeTextSample(s, &result.decoded)
                              : decodeXorBinary(s, &result.decoded) ? TextForm::XorBinary
                                                                    : TextForm::None;
        if (form == TextForm::None) {
            ++withoutGps;
            if (track.format != kGpmd && looksMasked(s.data, s.size))
                ++result.masked;
        } else if (result.form == TextForm::None) {
            result.form = form;
        }
    }
    return result;
}
} // namespace texttrack
} // namespace

bool readTextTrack(VideoIndex &video, LayoutRead *read)
{
    using namespace texttrack;
    std::vector<const MediaTrack *> tracks;
    if (!video.mediaTracks({kText, kTx3g, kGpmd}, &tracks))
        return false;
    for (const MediaTrack *track : tracks) {
        if (track->video)
            continue;
        TrackResult r = decodeTrack(video.file(), *track);
        const std::string kind =
            track->format == kTx3g ? "tx3g" : track->format == kGpmd ? "gpmd" : "text";
        if (r.form == TextForm::None) {
            if (r.masked > 0 && read->problem.empty())
                read->problem = "a " + kind +
                                " subtitle track found, but its text is masked in a way not yet "
                                "known";
            continue;
        }
        read->variant =
            kind + (track->format == kGpmd ? " metadata track, " : " subtitle track, ") +
            textFormName(r.form);
        r.decoded.clock =
            textFormIsLocalTime(r.form) ? TrackClock::LocalTime : TrackClock::Utc;
        clockFromMovie(video, textFormMovieClock(r.form), &r.decoded);
        if (isWritableTrack(r.decoded)) {
            read->problem.clear();
            read->track = std::move(r.decoded);
            return true;
        }
    }
    return false;
}
