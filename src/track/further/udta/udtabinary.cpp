// Typed binary records in the movie's user data ("udta", then "TTMD", then "TTAD"): after a
// 76-byte head, each record is a type byte and a body of the type's fixed length, little-endian.
// Type 0xff is a timecode in milliseconds that dates the records after it; type 5 is a fix,
// type 3 an acceleration.
// Unknown types lose the thread: reading then skips bytes until a timecode that follows the
// last one closely.
#include "rmcinfo.h"
#include "udtagps.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {
namespace udtabinary {
constexpr uint32_t kMoov = fourcc("moov");
constexpr uint32_t kUdta = fourcc("udta");
constexpr uint32_t kTtmd = fourcc("TTMD");
constexpr uint32_t kTtad = fourcc("TTAD");
constexpr std::size_t kHeadSize = 76;
constexpr int64_t kMaxBox = 64 * 1024 * 1024;
constexpr unsigned char kTimecode = 0xff;
constexpr unsigned char kFix = 5;
constexpr unsigned char kAcceleration = 3; // thousandths of g
// Bytes skipped in a row before the records are given up as unreadable.
constexpr int kMaxSkipped = 0x100;
// How far a timecode found after lost bytes may lie after the last one, milliseconds.
constexpr uint32_t kResyncWindow = 250;

// The body length of each known type; 0 for unknown ones.
std::size_t bodyLength(unsigned char type)
{
    switch (type) {
    case 0: // angular velocity
    case 2:
    case 3: // acceleration
        return 12;
    case 1:
        return 4;
    case kFix:
        return 92;
    case kTimecode:
        return 4;
    default:
        return 0;
    }
}

double leDouble(const unsigned char *p)
{
    const uint64_t bits = uint64_t(readLe32(p)) | uint64_t(readLe32(p + 4)) << 32;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// UTC seconds as a double, the speed in m/s, latitude and longitude in degrees, the course.
GpsSample fixOf(const unsigned char *body, double time)
{
    GpsSample g;
    g.time = time;
    const double seconds = leDouble(body);
    if (std::isfinite(seconds) && seconds > 0 && seconds < 32503680000.0) // before 3000
        g.clock = int64_t(std::llround(seconds * 1000));
    g.latitude = leDouble(body + 0x1c);
    g.longitude = leDouble(body + 0x24);
    g.fix = std::isfinite(g.latitude) && std::isfinite(g.longitude);
    g.speedKmh = leDouble(body + 0x0c) * 3.6;
    g.course = leDouble(body + 0x30);
    return g;
}

// The child of type inside box, walking one level.
bool childOf(InputFile &file, const BoxHead &box, uint32_t type, BoxHead *child)
{
    BoxWalker walker(file, box.offset + box.headSize, box.end());
    BoxHead head;
    while (walker.next(&head)) {
        if (head.type == type) {
            *child = head;
            return true;
        }
        walker.skip(head);
    }
    return false;
}

bool findRecords(VideoIndex &video, BoxHead *records)
{
    InputFile &file = video.file();
    for (const BoxHead &top : video.topLevel()) {
        BoxHead udta, ttmd;
        if (top.type == kMoov && childOf(file, top, kUdta, &udta) &&
            childOf(file, udta, kTtmd, &ttmd) && childOf(file, ttmd, kTtad, records))
            return true;
    }
    return false;
}

void decodeRecords(const std::vector<unsigned char> &data, DecodedTrack *track)
{
    std::size_t at = kHeadSize;
    uint32_t timecode = 0;
    bool lost = true; // until the first timecode
    int skipped = 0;
    while (at < data.size()) {
        const unsigned char type = data[at++];
        const std::size_t length = bodyLength(type);
        if ((lost && type != kTimecode) || length == 0) {
            lost = true;
            if (++skipped > kMaxSkipped)
                return;
            continue;
        }
        if (length > data.size() - at)
            return;
        const unsigned char *body = data.data() + at;
        if (type == kTimecode) {
            const uint32_t value = readLe32(body);
            if (lost) {
                if (value < timecode || value - timecode > kResyncWindow) {
                    if (++skipped > kMaxSkipped)
                        return;
                    continue;
                }
                lost = false;
                skipped = 0;
            }
            timecode = value;
        } else if (type == kFix) {
            track->samples.push_back(fixOf(body, timecode / 1000.0));
        } else if (type == kAcceleration) {
            track->accel.push_back({timecode / 1000.0, int32_t(readLe32(body)) / 1000.0,
                                    int32_t(readLe32(body + 4)) / 1000.0,
                                    int32_t(readLe32(body + 8)) / 1000.0});
        }
        at += length;
    }
}
} // namespace udtabinary
} // namespace

bool readUdtaBinaryRecords(VideoIndex &video, DecodedTrack *track, std::string *problem)
{
    using namespace udtabinary;
    InputFile &file = video.file();
    BoxHead box;
    if (!findRecords(video, &box))
        return false;
    const int64_t size = box.size - box.headSize;
    if (size > kMaxBox) {
        *problem = "binary GPS records in the user data found, but the box is implausibly large";
        return false;
    }
    std::vector<unsigned char> data(std::size_t(size > 0 ? size : 0));
    if (!data.empty() && !file.readAt(box.offset + box.headSize, data.data(), data.size()))
        return false;
    decodeRecords(data, track);
    if (track->samples.empty()) {
        *problem = "binary GPS records in the user data found, but none could be read";
        return false;
    }
    return true;
}
