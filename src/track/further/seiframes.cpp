// The walk over an "avc1" track's frames and the decoding of the telemetry message in their SEI
// (see seiframes.h).
#include "seiframes.h"
#include "rmcinfo.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
namespace seiframes {
constexpr uint32_t kAvc1 = fourcc("avc1");
constexpr uint32_t kAvcC = fourcc("avcC");
constexpr uint32_t kTrak = fourcc("trak");

// The SEI comes before the slices: a frame's head of this size holds it, and more is read only
// for an SEI unit that runs past it.
constexpr uint32_t kHeadBytes = 512;
// An SEI unit larger than this is not the telemetry's and is passed over unread.
constexpr uint32_t kMaxSeiBytes = 64 * 1024;
// Units looked at before a frame's first slice; more is not an access unit's head.
constexpr int kMaxUnitsPerFrame = 64;
// A video track whose first frames carry no telemetry is not of this layout.
constexpr std::size_t kProbeFrames = 30;
// The frames' heads lie apart in the file, so all of them together are at most the file; a
// hostile sample table that lists one place again and again stops here.
constexpr int64_t kSpareBytes = 1 << 20;
// As many tracks as the index keeps.
constexpr int kMaxTracks = 64;
// Nested groups deeper than this are damage.
constexpr int kMaxGroupDepth = 8;

constexpr int kSeiUnit = 6;
constexpr unsigned kUserDataUnregistered = 5;
constexpr unsigned char kLeadByte = 0x42;
constexpr unsigned char kLastLeadByte = 0x69;

enum Wire
{
    kVarint = 0,
    kFixed64 = 1,
    kLengthDelimited = 2,
    kStartGroup = 3,
    kEndGroup = 4,
    kFixed32 = 5,
};

// The protobuf wire format, decoded here rather than through a protobuf library: the message is
// tiny and fixed, a library would be a dependency for sixteen scalar fields, and a decoder this
// small checks every length itself and is fuzzed with the other readers.
class WireReader
{
public:
    WireReader(const unsigned char *data, std::size_t size) : m_at(data), m_end(data + size) {}

    bool atEnd() const { return m_at >= m_end; }

    bool varint(uint64_t *value)
    {
        uint64_t v = 0;
        for (int shift = 0; shift < 64 && m_at < m_end; shift += 7) {
            const unsigned char b = *m_at++;
            v |= uint64_t(b & 0x7f) << shift;
            if (!(b & 0x80)) {
                *value = v;
                return true;
            }
        }
        return false;
    }

    bool fixed(std::size_t size, uint64_t *value)
    {
        if (std::size_t(m_end - m_at) < size)
            return false;
        uint64_t v = 0;
        for (std::size_t i = 0; i < size; ++i)
            v |= uint64_t(m_at[i]) << (8 * i);
        m_at += size;
        *value = v;
        return true;
    }

    // Passes over a field's value of the given wire type; false at damage.
    bool skip(unsigned wire, uint64_t field, int depth = 0)
    {
        uint64_t v = 0;
        switch (wire) {
        case kVarint: return varint(&v);
        case kFixed64: return fixed(8, &v);
        case kFixed32: return fixed(4, &v);
        case kLengthDelimited:
            if (!varint(&v) || v > uint64_t(m_end - m_at))
                return false;
            m_at += v;
            return true;
        case kStartGroup:
            // Fields up to the group's own end.
            while (depth < kMaxGroupDepth) {
                uint64_t key = 0;
                if (!varint(&key))
                    return false;
                if ((key & 7) == kEndGroup)
                    return (key >> 3) == field;
                if (!skip(unsigned(key & 7), key >> 3, depth + 1))
                    return false;
            }
            return false;
        default: return false; // an end without a start, or no wire type at all
        }
    }

private:
    const unsigned char *m_at;
    const unsigned char *m_end;
};

float floatOf(uint64_t bits)
{
    const uint32_t b = uint32_t(bits);
    float v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}

double doubleOf(uint64_t bits)
{
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// Decodes the message into t, field by field; damage ends it, keeping the fields before it.
// Fields of unknown numbers, or of known numbers but another wire type, are passed over. Returns
// the number of fields read.
int decodeTelemetry(const unsigned char *data, std::size_t size, SeiTelemetry *t)
{
    WireReader in(data, size);
    int fields = 0;
    while (!in.atEnd()) {
        uint64_t key = 0;
        if (!in.varint(&key) || key >> 3 == 0)
            break;
        const uint64_t field = key >> 3;
        const unsigned wire = unsigned(key & 7);
        const bool varintField = field <= 3 || (field >= 7 && field <= 10);
        const bool floatField = field >= 4 && field <= 6;
        const bool doubleField = field >= 11 && field <= 16;
        uint64_t v = 0;
        if (varintField && wire == kVarint) {
            if (!in.varint(&v))
                break;
            switch (field) {
            case 1: t->version = uint32_t(v); break;
            case 2: t->gear = unsigned(std::min<uint64_t>(v, 255)); break;
            case 3: t->frameSeqNo = v; break;
            case 7: t->blinkerLeft = v != 0; break;
            case 8: t->blinkerRight = v != 0; break;
            case 9: t->brakeApplied = v != 0; break;
            default: t->assistance = unsigned(std::min<uint64_t>(v, 255)); break;
            }
        } else if (floatField && wire == kFixed32) {
            if (!in.fixed(4, &v))
                break;
            const float f = floatOf(v);
            (field == 4 ? t->speedMps : field == 5 ? t->acceleratorPedal : t->steeringAngle) = f;
        } else if (doubleField && wire == kFixed64) {
            if (!in.fixed(8, &v))
                break;
            const double d = doubleOf(v);
            if (field == 11)
                t->latitude = d;
            else if (field == 12)
                t->longitude = d;
            else if (field == 13)
                t->heading = d;
            else {
                t->acceleration[field - 14] = d;
                t->hasAcceleration = true;
            }
        } else if (!in.skip(wire, field)) {
            break;
        }
        ++fields;
    }
    return fields;
}

// The unit's bytes after its header with the emulation-prevention bytes taken out: each
// 00 00 03 becomes 00 00.
void unescape(const unsigned char *data, std::size_t size, std::vector<unsigned char> *out)
{
    out->clear();
    int zeros = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (zeros >= 2 && data[i] == 3) {
            zeros = 0;
            continue;
        }
        out->push_back(data[i]);
        zeros = data[i] == 0 ? zeros + 1 : 0;
    }
}

// A payload type or size: 0xFF bytes each add 255, the first other byte ends it.
bool seiNumber(const std::vector<unsigned char> &rbsp, std::size_t *at, std::size_t *value)
{
    std::size_t v = 0;
    while (*at < rbsp.size() && rbsp[*at] == 0xff) {
        v += 255;
        ++*at;
    }
    if (*at >= rbsp.size())
        return false;
    *value = v + rbsp[(*at)++];
    return true;
}

// Finds the telemetry among an SEI unit's messages: true with the protobuf message's place.
bool findTelemetry(const std::vector<unsigned char> &rbsp, std::size_t *start, std::size_t *size)
{
    std::size_t at = 0;
    // The last byte is the stop bit.
    while (at + 1 < rbsp.size()) {
        std::size_t type = 0, length = 0;
        if (!seiNumber(rbsp, &at, &type) || !seiNumber(rbsp, &at, &length) ||
            length > rbsp.size() - at)
            return false;
        if (type == kUserDataUnregistered) {
            std::size_t lead = 0;
            while (lead < length && rbsp[at + lead] == kLeadByte)
                ++lead;
            if (lead > 0 && lead < length && rbsp[at + lead] == kLastLeadByte) {
                *start = at + lead + 1;
                *size = length - lead - 1;
                return true;
            }
        }
        at += length;
    }
    return false;
}

// The NAL unit length size of the first sample description's "avcC" box; 4 when not found.
int lengthSizeOf(InputFile &file, const BoxHead &stsd)
{
    // The first entry follows the full box's head and its count; its child boxes follow its
    // 8-byte head and the 78 bytes of a visual sample entry.
    constexpr int64_t kFirstEntry = 16, kEntryChildren = 86;
    unsigned char head[8];
    if (stsd.size < kFirstEntry + 8 || !file.readAt(stsd.offset + kFirstEntry, head, 8) ||
        readBe32(head + 4) != kAvc1)
        return 4;
    const int64_t entry = stsd.offset + kFirstEntry;
    const int64_t entryEnd = std::min<int64_t>(entry + readBe32(head), stsd.end());
    if (entryEnd < entry + kEntryChildren)
        return 4;
    BoxWalker walker(file, entry + kEntryChildren, entryEnd);
    BoxHead box;
    while (walker.next(&box)) {
        unsigned char config[5];
        if (box.type == kAvcC)
            return box.size >= box.headSize + 5 &&
                           file.readAt(box.offset + box.headSize, config, 5)
                       ? (config[4] & 3) + 1
                       : 4;
        walker.skip(box);
    }
    return 4;
}

// The length sizes of the movie's "avc1" tracks whose samples can be listed, in file order: the
// tracks the index hands out for that format.
std::vector<int> lengthSizes(VideoIndex &video)
{
    std::vector<int> sizes;
    int tracks = 0;
    for (const BoxHead &head : video.movieChildren()) {
        if (head.type != kTrak || ++tracks > kMaxTracks)
            continue;
        MediaTrack track;
        TrackTables tables;
        readTrackHead(video.file(), head, &track, &tables);
        if (track.format == kAvc1 && tables.has(tables.stsz) && tables.has(tables.stco) &&
            tables.has(tables.stsc) && track.timescale != 0)
            sizes.push_back(lengthSizeOf(video.file(), tables.stsd));
    }
    return sizes;
}

// Reads frames' heads, up to each frame's first slice, within a budget of bytes for the file.
class FrameReader
{
public:
    FrameReader(InputFile &file, int lengthSize, int64_t *budget)
        : m_file(file), m_lengthSize(lengthSize), m_budget(budget)
    {
    }

    // True when the frame holds the telemetry, with *fields the number of its fields read.
    bool read(const MediaSample &s, SeiTelemetry *t, int *fields)
    {
        m_sample = &s;
        m_head.resize(std::min(s.size, kHeadBytes));
        if (!fetch(0, m_head.size(), m_head.data(), false))
            return false;
        unsigned char unitHead[5];
        uint32_t at = 0;
        for (int unit = 0; unit < kMaxUnitsPerFrame; ++unit) {
            const uint32_t prefix = uint32_t(m_lengthSize);
            if (prefix + 1 > s.size - at || !fetch(at, prefix + 1, unitHead, true))
                return false;
            uint32_t length = 0;
            for (uint32_t i = 0; i < prefix; ++i)
                length = length << 8 | unitHead[i];
            if (length == 0 || length > s.size - at - prefix)
                return false;
            const int type = unitHead[prefix] & 0x1f;
            if (type >= 1 && type <= 5) // slice data: the SEI is behind
                return false;
            if (type == kSeiUnit && length <= kMaxSeiBytes) {
                m_unit.resize(length - 1);
                if (!fetch(at + prefix + 1, m_unit.size(), m_unit.data(), true))
                    return false;
                unescape(m_unit.data(), m_unit.size(), &m_rbsp);
                std::size_t start = 0, size = 0;
                if (findTelemetry(m_rbsp, &start, &size)) {
                    *fields = decodeTelemetry(m_rbsp.data() + start, size, t);
                    return true;
                }
            }
            at += prefix + length;
        }
        return false;
    }

private:
    // Bytes of the frame from at: out of its head when they lie there, else from the file.
    bool fetch(uint32_t at, std::size_t length, unsigned char *out, bool fromHead)
    {
        if (fromHead && at + length <= m_head.size()) {
            std::memcpy(out, m_head.data() + at, length);
            return true;
        }
        if (int64_t(length) > *m_budget)
            return false;
        *m_budget -= int64_t(length);
        return m_file.readApart(m_sample->offset + at, out, length);
    }

    InputFile &m_file;
    const int m_lengthSize;
    int64_t *m_budget;
    const MediaSample *m_sample = nullptr;
    std::vector<unsigned char> m_head, m_unit, m_rbsp;
};

} // namespace seiframes
} // namespace

SeiTelemetryWalk::SeiTelemetryWalk(VideoIndex &video)
    : m_video(video), m_budget(video.file().size() + seiframes::kSpareBytes)
{
    using namespace seiframes;
    if (!video.mediaTracks({kAvc1}, &m_tracks))
        m_tracks.clear();
    if (!m_tracks.empty())
        m_lengthSizes = lengthSizes(video);
}

std::size_t SeiTelemetryWalk::walk(std::size_t k,
                                   const std::function<bool(const SeiFrame &)> &visit)
{
    using namespace seiframes;
    if (k >= m_tracks.size())
        return 0;
    // Should the walk over the movie's tracks have counted others, the first size stands for all.
    const int lengthSize = m_lengthSizes.size() == m_tracks.size() ? m_lengthSizes[k]
                           : m_lengthSizes.empty()                 ? 4
                                                                   : m_lengthSizes.front();
    FrameReader frames(m_video.file(), lengthSize, &m_budget);
    std::size_t found = 0;
    const std::vector<MediaSample> &samples = m_tracks[k]->samples;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if ((i == kProbeFrames && found == 0) || m_budget <= 0)
            break;
        SeiFrame frame;
        if (samples[i].size == 0 || !frames.read(samples[i], &frame.message, &frame.fields))
            continue;
        ++found;
        frame.time = samples[i].time;
        frame.end = samples[i].time + samples[i].duration;
        if (!visit(frame))
            break;
    }
    return found;
}
