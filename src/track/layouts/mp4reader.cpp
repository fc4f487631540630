#include "jumpfilter.h"
#include "trackdiagnostics.h"
#include "layoutreaders.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {
namespace mp4reader {
constexpr uint32_t kMoov = fourcc("moov");
constexpr uint32_t kTrak = fourcc("trak");
constexpr uint32_t kGpsIndex = fourcc("gps ");
constexpr uint32_t kTkhd = fourcc("tkhd");
constexpr uint32_t kStco = fourcc("stco");
constexpr int kMaxTracks = 4;

// "gps " sample blocks: the old layout puts a 32-byte head before the record.
constexpr std::size_t kOldBlockSize = 112;
constexpr std::size_t kOldBlockHead = 32;
constexpr int64_t kGpsBlockSkip = 16;

// Blocks looked at, and how much of each, to tell the record form from the others.
constexpr std::size_t kBlocksLookedAt = 8;
constexpr std::size_t kLookedAtBlockBytes = 512;

// HiSilicon sample block.
constexpr std::size_t kHisiBlockSize = 716;

bool isOneOf(uint32_t type, std::initializer_list<uint32_t> types)
{
    for (uint32_t t : types) {
        if (type == t)
            return true;
    }
    return false;
}

bool isStatus(char status)
{
    return status == 'V' || status == 'A';
}

// True when the first blocks the index lists are "freeGPS " blocks of another form (text,
// masked, other binary): read as 80-byte records they would give nonsense, and they are left to
// the reader of those forms.
bool listsBlocksOfAnotherForm(InputFile &file, const std::vector<uint32_t> &blocks,
                              OtherBlockForm otherForm)
{
    if (!otherForm)
        return false;
    unsigned char block[kLookedAtBlockBytes];
    for (std::size_t i = 0; i < blocks.size() && i < kBlocksLookedAt; ++i) {
        const int64_t left = file.size() - int64_t(blocks[i]);
        const std::size_t length = std::size_t(std::min<int64_t>(left, int64_t(sizeof block)));
        if (left > 0 && file.readAt(blocks[i], block, length) &&
            otherForm(block, length))
            return true;
    }
    return false;
}

int readGpsIndex(InputFile &file, const BoxHead &box, const char *textPath,
                 OtherBlockForm otherForm)
{
    TextFile text(textPath);
    if (!text.isOpen())
        return -1;
    unsigned char versionBytes[4];
    int32_t count = 0;
    std::vector<uint32_t> blocks;
    if (box.size < 16 || !file.readAt(box.offset + 8, versionBytes, 4) ||
        !readOffsetTable(file, box, 12, 16, 8, &count, &blocks))
        return -1;
    const uint32_t version = readBe32(versionBytes);
    trackDiag("version is %d(%x), gps count is %d\n", int32_t(version), version, count);
    if (listsBlocksOfAnotherForm(file, blocks, otherForm))
        return -1;

    bool newLayout = false;
    JumpFilter filter;
    unsigned char bytes[kOldBlockSize];
    for (uint32_t block : blocks) {
        const int64_t at = int64_t(block) + kGpsBlockSkip;
        RMCINFO info;
        if (!newLayout) {
            if (!file.readAt(at, bytes, kOldBlockSize))
                break;
            info = decodeRmcInfo(bytes + kOldBlockHead);
            // The old layout always has a status there; anything else means the record starts
            // at once, for this block and all later ones.
            if (!isStatus(info.status))
                newLayout = true;
        }
        if (newLayout) {
            if (!file.readAt(at, bytes, kRmcInfoSize))
                break;
            info = decodeRmcInfo(bytes);
        }
        if (info.year > 1000)
            info.year %= 1000;
        if (!isStatus(info.status))
            continue;
        filter.apply(&info);
        writeTrackLine(text.stream(), info);
        text.lineWritten();
    }
    trackDiag("is %s gps info\n", newLayout ? "new" : "old");
    return text.lines() > 0 ? 0 : -1;
}

float rational(int32_t numerator, int32_t denominator)
{
    // A zero denominator is damage; an infinite value would only poison the track text.
    if (numerator == 0 || denominator == 0)
        return 0;
    return float(numerator) / float(denominator);
}

int readHisiTable(InputFile &file, const BoxHead &stco, const char *textPath, bool *haisi)
{
    TextFile text(textPath);
    if (!text.isOpen())
        return -1;
    int32_t count = 0;
    std::vector<uint32_t> chunks;
    if (!readOffsetTable(file, stco, 12, 16, 4, &count, &chunks))
        return -1;

    unsigned char b[kHisiBlockSize];
    for (uint32_t chunk : chunks) {
        if (!file.readAt(chunk, b, sizeof b))
            return -1;
        const int year = readLe32s(b + 60);
        const int month = readLe32s(b + 56);
        const int day = readLe32s(b + 52);
        if (year > 3000 || month < 1 || month > 12 || day < 1 || day > 31)
            return -1;
        RMCINFO info{};
        info.hour = readLe32s(b + 0);
        info.minute = readLe32s(b + 4);
        info.second = readLe32s(b + 8);
        info.year = year;
        info.month = month;
        info.day = day;
        info.status = readLe32s(b + 16) == 1 ? 'A' : 'V';
        const float latitude = rational(readLe32s(b + 20), readLe32s(b + 24));
        const float longitude = rational(readLe32s(b + 28), readLe32s(b + 32));
        info.latitude = std::fabs(latitude);
        info.latHemisphere = latitude > 0 ? 'N' : 'S';
        info.longitude = std::fabs(longitude);
        info.lonHemisphere = longitude > 0 ? 'E' : 'W';
        info.speed = rational(readLe32s(b + 36), readLe32s(b + 40));
        info.course = rational(readLe32s(b + 44), readLe32s(b + 48));
        writeTrackLine(text.stream(), info);
        text.lineWritten();
    }
    // A count larger than its table means the rest of the track is missing.
    if (count > 0 && chunks.size() < std::size_t(count))
        return -1;
    *haisi = true;
    return 0;
}

// Runs the HiSilicon read on the chunk table of one non-video track.
int readHisiTrack(InputFile &file, const BoxHead &trak, const char *textPath, bool *haisi)
{
    BoxWalker walker(file, trak.offset + trak.headSize, trak.end());
    BoxHead head;
    while (walker.next(&head)) {
        if (head.type == kTkhd) {
            if (isVideoTrackHeader(file, head))
                return -1;
            walker.skip(head);
        } else if (head.type == kStco) {
            return readHisiTable(file, head, textPath, haisi);
        } else if (isOneOf(head.type, {fourcc("mdia"), fourcc("minf"), fourcc("stbl")})) {
            if (!walker.descend(head))
                return -1;
        } else if (isOneOf(head.type,
                           {fourcc("mdhd"), fourcc("stts"), fourcc("hdlr"), fourcc("dinf"),
                            fourcc("smhd"), fourcc("stsc"), fourcc("stsz"), fourcc("edts"),
                            fourcc("vmhd"), fourcc("gmhd"), fourcc("stsd")})) {
            walker.skip(head);
        } else {
            return -1;
        }
    }
    return -1;
}
} // namespace mp4reader
} // namespace

int readMp4Track(const VideoInput &video, const char *textPath, TrackLayout *layout,
                 OtherBlockForm otherForm)
{
    using namespace mp4reader;
    *layout = TrackLayout::None;
    InputFile file(video);
    if (!file.isOpen())
        return -1;

    BoxHead tracks[kMaxTracks];
    int trackCount = 0;
    int result = -1;
    BoxWalker walker(file, 0, file.size());
    BoxHead head;
    while (trackCount < kMaxTracks && walker.next(&head)) {
        trackDiag("atom '%s'\n", head.typeText);
        if (head.type == kMoov) {
            trackDiag("=======did find 'moov', offset 8 byte to find 'mvhd'=======\n");
            if (!walker.descend(head))
                break;
        } else if (head.type == kTrak) {
            tracks[trackCount++] = head;
            walker.skip(head);
        } else if (head.type == kGpsIndex) {
            trackDiag("%s size is %lld total %lld\n", head.typeText,
                      static_cast<long long>(head.size), static_cast<long long>(file.size()));
            result = readGpsIndex(file, head, textPath, otherForm);
            if (result >= 0) {
                *layout = TrackLayout::GpsIndex;
                return result;
            }
            break;
        } else if (isOneOf(head.type, {fourcc("ftyp"), fourcc("free"), fourcc("mdat"),
                                       fourcc("mvhd"), fourcc("udta"), fourcc("skip")})) {
            walker.skip(head);
        } else {
            break;
        }
    }

    for (int i = 0; i < trackCount; ++i) {
        bool haisi = false;
        result = readHisiTrack(file, tracks[i], textPath, &haisi);
        if (result >= 0) {
            if (haisi)
                *layout = TrackLayout::HiSilicon;
            return result;
        }
    }
    return result;
}
