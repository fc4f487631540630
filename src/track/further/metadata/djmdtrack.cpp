// A timed-metadata track of format "djmd": each sample is one protobuf message. Field 1-1-1
// names the message's protocol ("….proto"); for the protocols below, the message at field path
// 3-4-2 holds the position: 3-4-2-1 a message of the coordinates' unit (1: 0 radians, else
// degrees), latitude (2) and longitude (3) as doubles, and 3-4-2-6-1 the receiver's date and
// time as "yyyy-mm-dd hh:mm:ss" text (UTC). No speed or course is stored.
#include "furtherlayouts.h"
#include "secondstrack.h"
#include "tracklog.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {
namespace djmdtrack {
constexpr uint32_t kDjmd = fourcc("djmd");
// A sample is a few hundred bytes; one far larger is damaged.
constexpr uint32_t kMaxSample = 1u << 20;
// Messages nest a few levels; a path longer than this is damaged.
constexpr int kMaxDepth = 8;
constexpr double kPi = 3.141592653589793;

// The protocols whose position lies at 3-4-2.
constexpr const char *kProtocols[] = {"dvtm_ac203.proto", "dvtm_ac204.proto", "dvtm_ac206.proto",
                                      "dvtm_oq101.proto"};

enum WireType
{
    Varint = 0,
    Fixed64 = 1,
    Bytes = 2,
    Fixed32 = 5,
};

struct Field
{
    uint32_t number = 0;
    int wire = 0;
    uint64_t varint = 0;
    const unsigned char *data = nullptr; // Bytes: the payload; Fixed64/32: the value's bytes
    std::size_t size = 0;
};

// Walks one message's fields; every length is checked against what is left of the message.
class FieldWalker
{
public:
    FieldWalker(const unsigned char *data, std::size_t size) : m_data(data), m_size(size) {}
    bool next(Field *f)
    {
        uint64_t key = 0;
        if (m_at >= m_size || !varint(&key))
            return false;
        f->number = uint32_t(key >> 3);
        f->wire = int(key & 7);
        switch (f->wire) {
        case Varint:
            return varint(&f->varint);
        case Fixed64:
            return span(8, f);
        case Fixed32:
            return span(4, f);
        case Bytes: {
            uint64_t length = 0;
            return varint(&length) && length <= m_size - m_at && span(std::size_t(length), f);
        }
        default:
            m_damaged = true; // groups and unknown wire types end the walk
            return false;
        }
    }
    bool damaged() const { return m_damaged; }

private:
    bool varint(uint64_t *value)
    {
        *value = 0;
        for (int shift = 0; shift < 64 && m_at < m_size; shift += 7) {
            const unsigned char b = m_data[m_at++];
            *value |= uint64_t(b & 0x7f) << shift;
            if (!(b & 0x80))
                return true;
        }
        m_damaged = true;
        return false;
    }
    bool span(std::size_t length, Field *f)
    {
        if (length > m_size - m_at) {
            m_damaged = true;
            return false;
        }
        f->data = m_data + m_at;
        f->size = length;
        m_at += length;
        return true;
    }

    const unsigned char *m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
    bool m_damaged = false;
};

// The first length-delimited field along path (field numbers, outermost first).
bool findPath(const unsigned char *data, std::size_t size, const uint32_t *path, int depth,
              Field *found)
{
    if (depth <= 0 || depth > kMaxDepth)
        return false;
    FieldWalker walker(data, size);
    Field f;
    while (walker.next(&f)) {
        if (f.number != path[0] || f.wire != Bytes)
            continue;
        if (depth == 1) {
            *found = f;
            return true;
        }
        return findPath(f.data, f.size, path + 1, depth - 1, found);
    }
    if (walker.damaged())
        qCDebug(lcTrack) << "djmd: a message's field runs past its end; the rest passed over";
    return false;
}

double littleEndianDouble(const unsigned char *p)
{
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | p[i];
    double d;
    static_assert(sizeof d == sizeof bits, "a double is 64 bits");
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

bool knownProtocol(const unsigned char *data, std::size_t size)
{
    constexpr uint32_t path[] = {1, 1, 1};
    Field name;
    if (!findPath(data, size, path, 3, &name))
        return false;
    const std::string text(reinterpret_cast<const char *>(name.data), name.size);
    for (const char *p : kProtocols) {
        if (text == p)
            return true;
    }
    return false;
}

// "yyyy-mm-dd hh:mm:ss" (':' for '-' too) to the clock; kNoClock when it is not.
int64_t clockOfText(const unsigned char *t, std::size_t size)
{
    if (size < 19)
        return kNoClock;
    int v[6];
    constexpr int at[6] = {0, 5, 8, 11, 14, 17};
    for (int i = 0; i < 6; ++i) {
        const int digits = i == 0 ? 4 : 2;
        v[i] = 0;
        for (int k = 0; k < digits; ++k) {
            const unsigned char c = t[at[i] + k];
            if (c < '0' || c > '9')
                return kNoClock;
            v[i] = v[i] * 10 + (c - '0');
        }
    }
    return clockOf(v[0], v[1], v[2], v[3], v[4], v[5]);
}

GpsSample sampleOf(const unsigned char *data, std::size_t size, double time)
{
    GpsSample s;
    s.time = time;
    s.hasSpeed = false;
    s.hasCourse = false;
    constexpr uint32_t clockPath[] = {3, 4, 2, 6, 1};
    Field clock;
    if (findPath(data, size, clockPath, 5, &clock))
        s.clock = clockOfText(clock.data, clock.size);
    constexpr uint32_t positionPath[] = {3, 4, 2, 1};
    Field position;
    if (!findPath(data, size, positionPath, 4, &position))
        return s;
    bool degrees = false; // field 1 absent: 0, radians
    double lat = 0, lon = 0;
    bool haveLat = false, haveLon = false;
    FieldWalker walker(position.data, position.size);
    Field f;
    while (walker.next(&f)) {
        if (f.number == 1 && f.wire == Varint)
            degrees = f.varint != 0;
        if (f.number == 2 && f.wire == Fixed64) {
            lat = littleEndianDouble(f.data);
            haveLat = true;
        }
        if (f.number == 3 && f.wire == Fixed64) {
            lon = littleEndianDouble(f.data);
            haveLon = true;
        }
    }
    if (!degrees) {
        lat = lat * 180 / kPi;
        lon = lon * 180 / kPi;
    }
    s.fix = haveLat && haveLon && std::isfinite(lat) && std::isfinite(lon) && lat != 0 &&
            lon != 0 && std::fabs(lat) <= 90 && std::fabs(lon) <= 180;
    if (s.fix) {
        s.latitude = lat;
        s.longitude = lon;
    }
    return s;
}
} // namespace djmdtrack
} // namespace

bool readDjmdTrack(VideoIndex &video, LayoutRead *read)
{
    using namespace djmdtrack;
    std::vector<const MediaTrack *> tracks;
    if (!video.mediaTracks({kDjmd}, &tracks))
        return false;
    for (const MediaTrack *track : tracks) {
        DecodedTrack decoded;
        int known = 0, messages = 0;
        forEachSample(video.file(), *track, kMaxSample,
                      [&](const unsigned char *data, std::size_t size, const MediaSample &s) {
                          ++messages;
                          if (!knownProtocol(data, size))
                              return;
                          ++known;
                          decoded.samples.push_back(sampleOf(data, size, s.time));
                      });
        if (messages == 0)
            continue;
        read->variant = "djmd track of protobuf messages, position at 3-4-2";
        if (known == 0) {
            read->problem = "djmd track found, but its protocol is not one whose position is known";
            continue;
        }
        if (isWritableTrack(decoded)) {
            read->problem.clear();
            read->track = std::move(decoded);
            return true;
        }
        read->problem = "djmd track found, but none of its messages holds a position or a date";
    }
    return false;
}
