#include "jumpfilter.h"
#include "trackdiagnostics.h"
#include "layoutreaders.h"
#include "tspackets.h"

namespace {
namespace tsreader {
// Sync byte, then payload-unit-start with PID 0x300.
constexpr unsigned char kGpsPacketStart[3] = {0x47, 0x43, 0x00};
// Older firmware puts the record at byte 10, newer at byte 42.
constexpr std::size_t kOldRecordOffset = 10;
constexpr std::size_t kNewRecordOffset = 42;
static_assert(kNewRecordOffset + kRmcInfoSize <= kTsPacketSize, "record fits the packet");
// The cameras write a record (fix or void) in every GPS packet: when this many hold none, the
// packets carry another layout and the rest of the stream is left to the further layouts.
constexpr int kPacketsWithoutRecord = 16;

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
    forEachTsPacket(file, [&](const unsigned char *packet) {
        if (packet[0] != kGpsPacketStart[0] || packet[1] != kGpsPacketStart[1] ||
            packet[2] != kGpsPacketStart[2])
            return true;
        ++gpsPackets;
        trackDiag("(%d)----%x-%x-%x\n", gpsPackets, unsigned(packet[0]), unsigned(packet[1]),
                  unsigned(packet[2]));
        RMCINFO info = decodeRmcInfo(packet + recordOffset);
        if (recordOffset == kOldRecordOffset && !isStatus(info.status)) {
            recordOffset = kNewRecordOffset;
            info = decodeRmcInfo(packet + recordOffset);
        }
        if (!isStatus(info.status))
            return gpsPackets < kPacketsWithoutRecord || text.lines() > 0;
        voidFixWithoutPosition(&info);
        writeTsTrackLine(text.stream(), info);
        text.lineWritten();
        return true;
    });
    trackDiag("prase ts end...\n");
    return text.lines() > 0 ? 0 : -1;
}
