// GPMF records lying in the media data that no track lists, found by scanning what the picture
// and sound samples leave between them: a 16-byte head ("GP", 0x06, a byte, the payload's size
// as a 32-bit big-endian word, eight bytes more) before a device container ("DEVC") of GPMF
// items, one a second; records may follow each other directly. A GPS stream gives GPS5 points
// with their divisors (SCAL), the UTC time of the first point (GPSU) and the fix (GPSF).
#include "furtherlayouts.h"
#include "gpmfklv.h"
#include "rmcinfo.h"
#include "secondstrack.h"
#include "tracklog.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace {
namespace gpmfscanned {
constexpr uint32_t kMdat = fourcc("mdat");
constexpr uint32_t kDevc = fourcc("DEVC");
constexpr uint32_t kScal = fourcc("SCAL");
constexpr uint32_t kGpsu = fourcc("GPSU");
constexpr uint32_t kGpsf = fourcc("GPSF");
constexpr uint32_t kGps5 = fourcc("GPS5");
constexpr std::size_t kHeadSize = 16;
// A second of every sensor a camera has is far below this.
constexpr uint32_t kMaxRecord = 4u << 20;
// Without a record in the first 20 MB of what the samples leave, the file holds none.
constexpr int64_t kFirstRecordWithin = 20 * 1000 * 1000;
constexpr std::size_t kChunk = 256 * 1024;
constexpr int kMaxDepth = 3;
constexpr int kMaxScales = 8;
constexpr std::size_t kMaxSamples = 2 * 24 * 3600 * 18;
constexpr double kKmhPerMs = 3.6;

bool isRecordHead(const unsigned char *p)
{
    return p[0] == 'G' && p[1] == 'P' && p[2] == 0x06 && p[4] == 0;
}

// "yymmddhhmmss.sss", the first point's UTC time.
int64_t gpsuClock(const KlvItem &item)
{
    if (item.size < 12)
        return kNoClock;
    int f[6];
    for (int i = 0; i < 6; ++i) {
        const unsigned char a = item.data[2 * i], b = item.data[2 * i + 1];
        if (a < '0' || a > '9' || b < '0' || b > '9')
            return kNoClock;
        f[i] = (a - '0') * 10 + (b - '0');
    }
    double second = f[5];
    if (item.size >= 16 && item.data[12] == '.') {
        for (int i = 13, unit = 100; i < 16; ++i, unit /= 10) {
            if (item.data[i] >= '0' && item.data[i] <= '9')
                second += (item.data[i] - '0') * unit / 1000.0;
        }
    }
    return clockOf(2000 + f[0], f[1], f[2], f[3], f[4], second);
}

struct Stream
{
    double scales[kMaxScales] = {};
    int scaleCount = 0;
    int64_t clock = kNoClock;
    double fix = -1; // GPSF; -1 when not given
};

class Decoder
{
public:
    explicit Decoder(DecodedTrack *track) : m_track(track) {}
    int records = 0;

    void record(const unsigned char *data, std::size_t size)
    {
        KlvWalker walker(data, size);
        KlvItem devc;
        if (!walker.next(&devc) || devc.key != kDevc || !devc.nested())
            return;
        ++records;
        container(devc.data, devc.size, 1);
    }

private:
    void container(const unsigned char *data, std::size_t size, int depth)
    {
        Stream stream;
        KlvWalker walker(data, size);
        KlvItem item;
        while (walker.next(&item)) {
            if (item.nested()) {
                if (depth < kMaxDepth)
                    container(item.data, item.size, depth + 1);
                continue;
            }
            if (item.key == kScal) {
                stream.scaleCount = 0;
                for (int r = 0; r < item.repeat && stream.scaleCount < kMaxScales; ++r)
                    stream.scaleCount +=
                        klvValues(item, r, nullptr, 0, stream.scales + stream.scaleCount,
                                  kMaxScales - stream.scaleCount);
            } else if (item.key == kGpsu) {
                stream.clock = gpsuClock(item);
            } else if (item.key == kGpsf) {
                if (klvValues(item, 0, nullptr, 0, &stream.fix, 1) != 1)
                    stream.fix = -1;
            } else if (item.key == kGps5) {
                points(item, stream);
            }
        }
    }

    // The points spread over the second the record stands for.
    void points(const KlvItem &item, const Stream &stream)
    {
        for (int k = 0; k < item.repeat && m_track->samples.size() < kMaxSamples; ++k) {
            double v[5];
            if (klvValues(item, k, nullptr, 0, v, 5) < 5)
                return;
            for (int e = 0; e < 5; ++e) {
                const double divisor = stream.scaleCount ? stream.scales[e % stream.scaleCount] : 1;
                v[e] = divisor == 0 ? 0 : v[e] / divisor;
            }
            GpsSample s;
            s.clock = stream.clock == kNoClock
                          ? kNoClock
                          : stream.clock + int64_t(std::llround(1000.0 * k / item.repeat));
            s.fix = (stream.fix < 0 || stream.fix >= 2) && v[0] != 0 && v[1] != 0 &&
                    std::fabs(v[0]) <= 90 && std::fabs(v[1]) <= 180;
            if (s.fix) {
                s.latitude = v[0];
                s.longitude = v[1];
                s.speedKmh = v[3] * kKmhPerMs;
            }
            s.hasCourse = false; // GPMF records no course
            m_track->samples.push_back(s);
        }
    }

    DecodedTrack *m_track;
};

class Scanner
{
public:
    Scanner(InputFile &file, Decoder *decoder) : m_file(file), m_decoder(decoder) {}

    // Scans [begin, end); scanned counts the bytes looked at before the first record.
    void scan(int64_t begin, int64_t end, int64_t *scanned)
    {
        int64_t at = begin;
        while (end - at >= int64_t(kHeadSize)) {
            if (m_decoder->records == 0 && *scanned > kFirstRecordWithin)
                return;
            const std::size_t length = std::size_t(std::min<int64_t>(end - at, int64_t(kChunk)));
            m_chunk.resize(length);
            if (!m_file.readAt(at, m_chunk.data(), length))
                return;
            const int64_t found = findHead(m_chunk.data(), length);
            if (found < 0) {
                // A head may straddle the chunk's end.
                const int64_t step = std::max<int64_t>(1, int64_t(length) - int64_t(kHeadSize - 1));
                *scanned += step;
                at += step;
                continue;
            }
            *scanned += found;
            at = chain(at + found, end);
        }
    }

private:
    static int64_t findHead(const unsigned char *bytes, std::size_t length)
    {
        const unsigned char *p = bytes;
        const unsigned char *const last = bytes + length - kHeadSize;
        while (p <= last) {
            const void *g = std::memchr(p, 'G', std::size_t(last - p) + 1);
            if (!g)
                return -1;
            const unsigned char *head = static_cast<const unsigned char *>(g);
            if (isRecordHead(head))
                return head - bytes;
            p = head + 1;
        }
        return -1;
    }

    // Decodes the records following each other from offset; returns where the scan goes on.
    int64_t chain(int64_t offset, int64_t end)
    {
        unsigned char head[kHeadSize];
        while (end - offset >= int64_t(kHeadSize) && m_file.readAt(offset, head, kHeadSize) &&
               isRecordHead(head)) {
            const uint32_t size = readBe32(head + 4);
            if (size > kMaxRecord || int64_t(size) > end - offset - int64_t(kHeadSize)) {
                // A chance match or a record cut short: the scan goes on after its head.
                qCDebug(lcTrack) << "GPMF record at" << offset << "claims" << size
                                 << "bytes, more than are there";
                break;
            }
            m_record.resize(size);
            if (!m_file.readAt(offset + int64_t(kHeadSize), m_record.data(), size))
                break;
            m_decoder->record(m_record.data(), size);
            offset += int64_t(kHeadSize) + size;
        }
        return offset + 1;
    }

    InputFile &m_file;
    Decoder *m_decoder;
    std::vector<unsigned char> m_chunk, m_record;
};
} // namespace gpmfscanned
} // namespace

bool readGpmfScanned(VideoIndex &video, LayoutRead *read)
{
    using namespace gpmfscanned;
    std::vector<std::pair<int64_t, int64_t>> claimed;
    if (!video.claimedMediaRanges(&claimed))
        return false;
    DecodedTrack track;
    Decoder decoder(&track);
    Scanner scanner(video.file(), &decoder);
    int64_t scanned = 0;
    for (const BoxHead &head : video.topLevel()) {
        if (head.type != kMdat)
            continue;
        // Between the samples' ranges only: they are nearly all of the file.
        int64_t at = head.offset + head.headSize;
        for (const auto &range : claimed) {
            if (range.second <= at || range.first >= head.end())
                continue;
            if (range.first > at)
                scanner.scan(at, range.first, &scanned);
            at = std::max(at, range.second);
        }
        if (at < head.end())
            scanner.scan(at, head.end(), &scanned);
    }
    if (decoder.records == 0)
        return false;
    read->variant = "GPMF records found by scanning the media data, GPS5 scaled integers";
    // Nothing ties a record to the recording's timeline but its clock.
    int64_t first = kNoClock;
    for (const GpsSample &s : track.samples) {
        if (s.clock != kNoClock && (first == kNoClock || s.clock < first))
            first = s.clock;
    }
    if (first == kNoClock) {
        read->problem = "GPMF records found in the media data, but none holds a GPS time";
        return false;
    }
    for (GpsSample &s : track.samples) {
        if (s.clock != kNoClock)
            s.time = double(s.clock - first) / 1000.0;
    }
    read->track = std::move(track);
    return isWritableTrack(read->track);
}
