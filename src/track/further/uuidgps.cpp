// GPS in a "uuid" atom of the movie box, known by its 16-byte identifier: after a 17-byte head,
// 20-byte big-endian records of a time in seconds since 1904, the speed in miles per hour and
// the position in 32-bit fractions of a half turn.
#include "furtherlayouts.h"
#include "rmcinfo.h"
#include "secondstrack.h"

#include <cstring>
#include <vector>

namespace {
namespace uuidgps {
constexpr uint32_t kUuid = fourcc("uuid");
constexpr unsigned char kGpsUuid[16] = {0x9b, 0x63, 0x0f, 0x8d, 0x63, 0x74, 0x40, 0xec,
                                        0x82, 0x04, 0xbc, 0x5f, 0xf5, 0x09, 0x17, 0x28};
constexpr int64_t kFirstRecord = 33; // from the start of the payload, identifier included
constexpr int64_t kRecordSize = 20;
// Seconds from 1904-01-01 to 1970-01-01.
constexpr int64_t kEpoch1904 = 2082844800;
constexpr double kKmhPerMph = 1.609344;
constexpr double kDegreesPerUnit = 180.0 / 2147483648.0;
// A record a second for two days.
constexpr int64_t kMaxRecords = 2 * 24 * 3600;

bool findGpsUuid(VideoIndex &video, BoxHead *found)
{
    for (const BoxHead &head : video.movieChildren()) {
        unsigned char id[16];
        if (head.type == kUuid && head.size - head.headSize >= 16 &&
            video.file().readAt(head.offset + head.headSize, id, sizeof id) &&
            std::memcmp(id, kGpsUuid, sizeof id) == 0) {
            *found = head;
            return true;
        }
    }
    return false;
}
} // namespace uuidgps
} // namespace

bool readUuidGps(VideoIndex &video, LayoutRead *read)
{
    using namespace uuidgps;
    InputFile &file = video.file();
    BoxHead box;
    if (!findGpsUuid(video, &box))
        return false;
    const int64_t payload = box.size - box.headSize;
    const int64_t count = payload > kFirstRecord ? (payload - kFirstRecord) / kRecordSize : 0;
    if (count == 0 || count > kMaxRecords) {
        read->problem = "a GPS uuid atom found, but it holds no records";
        return false;
    }
    std::vector<unsigned char> bytes(std::size_t(count * kRecordSize));
    if (!file.readAt(box.offset + box.headSize + kFirstRecord, bytes.data(), bytes.size()))
        return false;
    DecodedTrack &track = read->track;
    int64_t firstSeconds = 0;
    for (int64_t i = 0; i < count; ++i) {
        const unsigned char *r = bytes.data() + i * kRecordSize;
        const int64_t seconds = int64_t(readBe32(r)) - kEpoch1904;
        if (i == 0)
            firstSeconds = seconds;
        GpsSample g;
        // The recording starts at the first record; the records carry whole seconds.
        g.time = double(seconds - firstSeconds);
        g.clock = seconds * 1000;
        g.latitude = int32_t(readBe32(r + 12)) * kDegreesPerUnit;
        g.longitude = int32_t(readBe32(r + 16)) * kDegreesPerUnit;
        g.fix = g.latitude != 0 && g.longitude != 0;
        g.speedKmh = readBe16(r + 4) * kKmhPerMph;
        track.samples.push_back(g);
    }
    read->variant = "20-byte records in a uuid atom of the movie box";
    return isWritableTrack(track);
}
