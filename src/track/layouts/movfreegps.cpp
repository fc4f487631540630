#include "jumpfilter.h"
#include "trackdiagnostics.h"
#include "layoutreaders.h"

#include <cstring>
#include <initializer_list>

namespace {
namespace movfreegps {
constexpr uint32_t kMoov = fourcc("moov");
constexpr uint32_t kTrak = fourcc("trak");
constexpr uint32_t kTkhd = fourcc("tkhd");
constexpr uint32_t kStsd = fourcc("stsd");
constexpr uint32_t kStco = fourcc("stco");
constexpr int kMaxTracks = 2;

// The camera starts each "freeGPS" block on a 32 KiB boundary.
constexpr int64_t kBlockAlignment = 32768;
constexpr std::size_t kBlockSize = 112; // 32-byte head + RMCINFO, 16 bytes into the block
constexpr int64_t kBlockSkip = 16;
constexpr char kTag[] = "freeGPS";
constexpr char kScaledMark[] = "IQS";

bool isOneOf(uint32_t type, std::initializer_list<uint32_t> types)
{
    for (uint32_t t : types) {
        if (type == t)
            return true;
    }
    return false;
}

int readFreeGpsBlocks(InputFile &file, const BoxHead &stco, const char *textPath,
                      int64_t *gpsOffset)
{
    TextFile text(textPath);
    if (!text.isOpen())
        return -1;
    int32_t count = 0;
    std::vector<uint32_t> chunks;
    if (!readOffsetTable(file, stco, 12, 16, 4, &count, &chunks))
        return -1;

    unsigned char bytes[kBlockSize];
    for (uint32_t chunk : chunks) {
        if ((int64_t(chunk) + *gpsOffset) % kBlockAlignment != 0)
            continue;
        // The offset is beyond anything in the file (also after doubling): nothing more to find.
        if (*gpsOffset > file.size())
            break;
        unsigned char tag[12];
        if (!file.readAt(int64_t(chunk) + *gpsOffset + 4, tag, sizeof tag))
            break;
        if (std::memcmp(tag, kTag, sizeof kTag - 1) != 0) {
            trackDiag("did not find freeGPS pos, will double gpsoffset\n");
            *gpsOffset *= 2;
        }
        if (!file.readAt(int64_t(chunk) + *gpsOffset + kBlockSkip, bytes, sizeof bytes))
            break;
        // Blocks marked "IQS" hold degrees times 10^7 as integers where the record has floats:
        // another layout's, read by the reader of scanned blocks.
        if (std::memcmp(bytes, kScaledMark, sizeof kScaledMark - 1) == 0)
            continue;
        RMCINFO info = decodeRmcInfo(bytes + 32);
        if (info.year < 1 || info.year > 2999 || info.month < 1 || info.month > 12)
            continue;
        voidFixWithoutPosition(&info);
        writeTrackLine(text.stream(), info);
        text.lineWritten();
    }
    return text.lines() > 0 ? 0 : -1;
}

// Walks one track; true when it reached a chunk table, with the block read's result.
bool readAudioTrack(InputFile &file, const BoxHead &trak, const char *textPath, int64_t *gpsOffset,
                    int *result)
{
    BoxWalker walker(file, trak.offset + trak.headSize, trak.end());
    BoxHead head;
    while (walker.next(&head)) {
        if (head.type == kTkhd) {
            if (isVideoTrackHeader(file, head))
                return false;
            walker.skip(head);
        } else if (head.type == kStsd) {
            audioGpsOffset(file, head, gpsOffset);
            walker.skip(head);
        } else if (head.type == kStco) {
            *result = readFreeGpsBlocks(file, head, textPath, gpsOffset);
            return true;
        } else if (isOneOf(head.type, {fourcc("mdia"), fourcc("minf"), fourcc("stbl")})) {
            if (!walker.descend(head))
                return false;
        } else if (isOneOf(head.type,
                           {fourcc("mdhd"), fourcc("stts"), fourcc("hdlr"), fourcc("dinf"),
                            fourcc("smhd"), fourcc("stsc"), fourcc("stsz")})) {
            walker.skip(head);
        } else {
            return false;
        }
    }
    return false;
}
} // namespace movfreegps
} // namespace

int readMovFreeGps(const VideoInput &video, const char *textPath)
{
    using namespace movfreegps;
    InputFile file(video);
    if (!file.isOpen())
        return -1;
    trackDiag("Filesize:%lld\n", static_cast<long long>(file.size()));

    BoxHead tracks[kMaxTracks];
    int trackCount = 0;
    BoxWalker walker(file, 0, file.size());
    BoxHead head;
    while (trackCount < kMaxTracks && walker.next(&head)) {
        trackDiag("atom is '%s'\n", head.typeText);
        if (head.type == kMoov) {
            if (!walker.descend(head))
                break;
        } else if (head.type == kTrak) {
            tracks[trackCount++] = head;
            walker.skip(head);
        } else if (isOneOf(head.type,
                           {fourcc("ftyp"), fourcc("free"), fourcc("mdat"), fourcc("mvhd"),
                            fourcc("udta"), fourcc("tkhd"), fourcc("skip")})) {
            walker.skip(head);
        } else {
            break;
        }
    }

    // The offset found in one track's sample description also serves the next track.
    int64_t gpsOffset = 0;
    int result = -1;
    for (int i = 0; i < trackCount; ++i)
        readAudioTrack(file, tracks[i], textPath, &gpsOffset, &result);
    return result;
}
