#include "videoduration.h"

#include "rmcinfo.h"
#include "trackio.h"

#include <algorithm>
#include <vector>

namespace {
namespace videoduration {
constexpr uint32_t kMoov = fourcc("moov");
constexpr uint32_t kMvhd = fourcc("mvhd");
constexpr int kPacket = 188;
constexpr unsigned char kSync = 0x47;
// Enough of each end of a stream to meet a video frame's presentation time.
constexpr int64_t kStreamEndBytes = int64_t(2) << 20;
constexpr double kPtsRate = 90000.0;
constexpr int64_t kPtsWrap = int64_t(1) << 33;

double movieHeaderSeconds(InputFile &file)
{
    BoxWalker top(file, 0, file.size());
    BoxHead moov;
    while (top.next(&moov)) {
        if (moov.type != kMoov) {
            top.skip(moov);
            continue;
        }
        BoxWalker inside(file, moov.offset + moov.headSize, moov.end());
        BoxHead head;
        while (inside.next(&head)) {
            if (head.type != kMvhd) {
                inside.skip(head);
                continue;
            }
            unsigned char b[32];
            if (head.size < head.headSize + 32 || !file.readAt(head.offset + head.headSize, b, 32))
                return -1;
            // Version 1 holds 64-bit times and duration, version 0 32-bit ones.
            const bool wide = b[0] == 1;
            const uint32_t scale = readBe32(b + (wide ? 20 : 12));
            const uint64_t units = wide ? readBe64(b + 24) : readBe32(b + 16);
            if (scale == 0 || units == 0 || (!wide && units == 0xffffffffu))
                return -1;
            return double(units) / scale;
        }
        return -1;
    }
    return -1;
}

// The presentation time of the first PES head in the packets of bytes (in 90 kHz units), or -1;
// with last, the one of the last head instead.
int64_t presentationTime(const std::vector<unsigned char> &bytes, bool last)
{
    int64_t found = -1;
    for (std::size_t at = 0; at + kPacket <= bytes.size(); at += kPacket) {
        const unsigned char *p = bytes.data() + at;
        if (p[0] != kSync || !(p[1] & 0x40))
            continue; // not a packet, or no payload start in it
        std::size_t payload = 4;
        if (p[3] & 0x20)
            payload += 1 + std::size_t(p[4]);
        if (!(p[3] & 0x10) || payload + 14 > std::size_t(kPacket))
            continue;
        const unsigned char *pes = p + payload;
        if (pes[0] != 0 || pes[1] != 0 || pes[2] != 1 || (pes[3] & 0xf0) != 0xe0 || !(pes[7] & 0x80))
            continue; // a video stream's head carrying a presentation time
        const unsigned char *t = pes + 9;
        const int64_t pts = (int64_t(t[0] & 0x0e) << 29) | (int64_t(t[1]) << 22) |
                            (int64_t(t[2] & 0xfe) << 14) | (int64_t(t[3]) << 7) | (t[4] >> 1);
        found = pts;
        if (!last)
            return found;
    }
    return found;
}

double streamSeconds(InputFile &file)
{
    const int64_t size = file.size();
    if (size < kPacket)
        return -1;
    // Both ends, each aligned to the packets as the file lays them from its start.
    const int64_t headBytes = std::min(size, kStreamEndBytes) / kPacket * kPacket;
    const int64_t tailStart = std::max<int64_t>(0, (size - kStreamEndBytes) / kPacket * kPacket);
    std::vector<unsigned char> head(static_cast<std::size_t>(headBytes));
    std::vector<unsigned char> tail(static_cast<std::size_t>((size - tailStart) / kPacket * kPacket));
    if (!file.readAt(0, head.data(), head.size()) || !file.readAt(tailStart, tail.data(), tail.size()))
        return -1;
    const int64_t first = presentationTime(head, false);
    const int64_t last = presentationTime(tail, true);
    if (first < 0 || last < 0)
        return -1;
    const int64_t span = (last - first + kPtsWrap) % kPtsWrap;
    return span > 0 ? double(span) / kPtsRate : -1;
}
} // namespace videoduration
} // namespace

double videoDurationSeconds(const char *path)
{
    using namespace videoduration;
    InputFile file(VideoInput{path, nullptr, 0});
    if (!file.isOpen() || file.size() < 8)
        return -1;
    unsigned char first = 0;
    if (!file.readAt(0, &first, 1))
        return -1;
    return first == kSync ? streamSeconds(file) : movieHeaderSeconds(file);
}
