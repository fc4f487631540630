// A RIFF chunk list after the last box of the file: four-letter tags with little-endian
// lengths. "gps0" holds 40-byte "AITG" fixes, "gsen" 12-byte "AITS" accelerations, each with
// its milliseconds since the start of the recording; "gpsa" and "gsea" are passed over.
#include "furtherlayouts.h"
#include "rmcinfo.h"
#include "secondstrack.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {
namespace rifftrailer {
constexpr uint32_t kGpsa = fourcc("gpsa");
constexpr uint32_t kGps0 = fourcc("gps0");
constexpr uint32_t kGsen = fourcc("gsen");
constexpr uint32_t kGsea = fourcc("gsea");
// Chunks above this are not of this trailer (and are not read into memory).
constexpr uint32_t kMaxChunk = 0x2000000;
constexpr int kMaxChunks = 4096;

constexpr std::size_t kFixSize = 0x28;
constexpr std::size_t kAccelSize = 0x0c;
constexpr double kKmhPerKnot = 1.852;
constexpr double kCountsPerG = 24.0;

double leDouble(const unsigned char *p)
{
    const uint64_t bits = uint64_t(readLe32(p)) | uint64_t(readLe32(p + 4)) << 32;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// dddmm.mmmm to degrees.
double fromMinutesForm(double v)
{
    const double whole = std::floor(v / 100);
    return whole + (v - whole * 100) / 60;
}

// "AITG", latitude and longitude as ddmm.mmmm doubles, the speed in knots, the date from 1900,
// the course halved, hemisphere codes (2: south, west), milliseconds.
void decodeFixes(const std::vector<unsigned char> &chunk, DecodedTrack *track)
{
    for (std::size_t at = 0; at + kFixSize <= chunk.size(); at += kFixSize) {
        const unsigned char *r = chunk.data() + at;
        if (std::memcmp(r, "AITG", 4) != 0)
            break;
        const double lat = leDouble(r + 4), lon = leDouble(r + 12);
        GpsSample g;
        g.time = readLe32(r + 0x24) / 1000.0;
        g.clock = clockOf(1900 + r[0x1a], r[0x1b], r[0x1c], r[0x1d], r[0x1e], r[0x1f]);
        g.fix = std::isfinite(lat) && std::isfinite(lon) && std::fabs(lat) <= 9000 &&
                std::fabs(lon) <= 18000;
        if (g.fix) {
            g.latitude = fromMinutesForm(lat) * (r[0x21] == 2 ? -1 : 1);
            g.longitude = fromMinutesForm(lon) * (r[0x22] == 2 ? -1 : 1);
            g.speedKmh = (r[0x18] | r[0x19] << 8) * kKmhPerKnot;
            g.course = r[0x20] * 2.0;
        }
        track->samples.push_back(g);
    }
}

// "AITS", three signed counts of 1/24 g, a byte, milliseconds.
void decodeAccelerations(const std::vector<unsigned char> &chunk, DecodedTrack *track)
{
    for (std::size_t at = 0; at + kAccelSize <= chunk.size(); at += kAccelSize) {
        const unsigned char *r = chunk.data() + at;
        if (std::memcmp(r, "AITS", 4) != 0)
            break;
        track->accel.push_back({readLe32(r + 8) / 1000.0, int8_t(r[4]) / kCountsPerG,
                                int8_t(r[5]) / kCountsPerG, int8_t(r[6]) / kCountsPerG});
    }
}

bool isChunkHead(InputFile &file, int64_t at)
{
    unsigned char head[8];
    if (!file.readAt(at, head, sizeof head))
        return false;
    const uint32_t tag = readBe32(head);
    return (tag == kGpsa || tag == kGps0 || tag == kGsen || tag == kGsea) && head[7] == 0;
}

// Where the trailer starts: where the walk of the top-level boxes meets a chunk head (read as
// a box head, its tag is an implausible size), or right after the last box.
bool findTrailer(VideoIndex &video, int64_t *start)
{
    InputFile &file = video.file();
    const std::vector<BoxHead> &boxes = video.topLevel();
    if (boxes.empty())
        return false;
    for (const BoxHead &box : boxes) {
        if (box.offset > 0 && isChunkHead(file, box.offset)) {
            *start = box.offset;
            return true;
        }
    }
    *start = boxes.back().end();
    return isChunkHead(file, *start);
}
} // namespace rifftrailer
} // namespace

bool readRiffTrailer(VideoIndex &video, LayoutRead *read)
{
    using namespace rifftrailer;
    InputFile &file = video.file();
    int64_t at = 0;
    if (!findTrailer(video, &at))
        return false;
    DecodedTrack &track = read->track;
    std::vector<unsigned char> chunk;
    for (int n = 0; n < kMaxChunks; ++n) {
        unsigned char head[8];
        if (!file.readAt(at, head, sizeof head))
            break;
        const uint32_t tag = readBe32(head);
        const uint32_t length = readLe32(head + 4);
        if (tag == 0 || length >= kMaxChunk)
            break;
        // A chunk cut by the end of the file gives its whole records, and ends the list.
        const int64_t available = file.size() - at - 8;
        const bool cut = int64_t(length) > available;
        const std::size_t present = std::size_t(cut ? available : int64_t(length));
        if (tag == kGps0 || tag == kGsen) {
            chunk.resize(present);
            if (present > 0 && !file.readAt(at + 8, chunk.data(), present))
                break;
            if (tag == kGps0) {
                decodeFixes(chunk, &track);
            } else {
                decodeAccelerations(chunk, &track);
                // Fixes beyond the last whole acceleration would be written without theirs.
                if (cut && !track.accel.empty()) {
                    const double last = track.accel.back().time + 0.5;
                    while (!track.samples.empty() && track.samples.back().time > last)
                        track.samples.pop_back();
                }
            }
        }
        if (cut)
            break;
        at += 8 + int64_t(length);
    }
    if (track.samples.empty()) {
        read->problem = "a RIFF trailer found, but it holds no GPS fixes";
        return false;
    }
    read->variant = "gps0 and gsen chunks of a RIFF trailer after the movie";
    return isWritableTrack(track);
}
