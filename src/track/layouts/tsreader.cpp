#include "jumpfilter.h"
#include "trackdiagnostics.h"
#include "layoutreaders.h"

#include <algorithm>
#include <vector>

namespace {
namespace tsreader {
constexpr std::size_t kPacketSize = 188;
// Sync byte, then payload-unit-start with PID 0x300.
constexpr unsigned char kGpsPacketStart[3] = {0x47, 0x43, 0x00};
// Older firmware puts the record at byte 10, newer at byte 42.
constexpr std::size_t kOldRecordOffset = 10;
constexpr std::size_t kNewRecordOffset = 42;
// About 770 KB: large enough that the reader keeps up with the disk cache.
constexpr std::size_t kPacketsPerRead = 4096;
static_assert(kNewRecordOffset + kRmcInfoSize <= kPacketSize, "record fits the packet");

bool isStatus(char status)
{
    return status == 'V' || status == 'A';
}
} // namespace tsreader
} // namespace

int readTransportStream(const VideoInput &video, const char *textPath)
{
    using namespace tsreader;
    InputFile file(video);
    if (!file.isOpen())
        return -1;
    TextFile text(textPath);
    if (!text.isOpen())
        return -1;
    trackDiag("Filesize:%lld\n", static_cast<long long>(file.size()));

    std::size_t recordOffset = kOldRecordOffset;
    int gpsPackets = 0;
    // Every packet is looked at, so the file is read straight through in large runs of whole
    // packets; a partial packet at the end is left alone.
    // No larger than the file: a small input need not clear and map a large buffer each time.
    const int64_t packets = std::min<int64_t>(int64_t(kPacketsPerRead),
                                              file.size() / int64_t(kPacketSize) + 1);
    std::vector<unsigned char> chunk(kPacketSize * std::size_t(packets));
    for (;;) {
        const std::size_t got = file.readSome(chunk.data(), chunk.size());
        const std::size_t whole = got - got % kPacketSize;
        for (std::size_t at = 0; at < whole; at += kPacketSize) {
            const unsigned char *packet = chunk.data() + at;
            if (packet[0] != kGpsPacketStart[0] || packet[1] != kGpsPacketStart[1] ||
                packet[2] != kGpsPacketStart[2])
                continue;
            ++gpsPackets;
            trackDiag("(%d)----%x-%x-%x\n", gpsPackets, unsigned(packet[0]),
                      unsigned(packet[1]), unsigned(packet[2]));
            RMCINFO info = decodeRmcInfo(packet + recordOffset);
            if (recordOffset == kOldRecordOffset && !isStatus(info.status)) {
                recordOffset = kNewRecordOffset;
                info = decodeRmcInfo(packet + recordOffset);
            }
            if (!isStatus(info.status))
                continue;
            voidFixWithoutPosition(&info);
            writeTsTrackLine(text.stream(), info);
            text.lineWritten();
        }
        if (got < chunk.size())
            break;
    }
    trackDiag("prase ts end...\n");
    return text.lines() > 0 ? 0 : -1;
}
