// Where a file keeps its LIGOGPSINFO records: "freeGPS " blocks listed by a "gps " index (the
// directory 16, 48 or 80 bytes into a block), a top-level "skip" atom, a "skip" atom after the
// movie found from the file's end ("&&&&" and the trailer's length in the last 8 bytes), the
// samples of a "gpmd" track behind an 80-byte binary head, and a top-level "udta" atom of JSON
// objects (at its start, or where the offset its first word gives points), and the PES units of
// PID 0x300 of a transport stream (bare, or behind a "skip" atom's head). One small reader
// each, all handing the bytes to the one decoder of the records (ligorecords.cpp); the first
// place that holds records gives the track.
#include "furtherlayouts.h"
#include "ligogps.h"
#include "ligorecords.h"
#include "rmcinfo.h"
#include "secondstrack.h"
#include "tracklog.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {
namespace ligoplaces {
constexpr uint32_t kMoov = fourcc("moov");
constexpr uint32_t kGpsIndex = fourcc("gps ");
constexpr uint32_t kSkip = fourcc("skip");
constexpr uint32_t kUdta = fourcc("udta");
constexpr uint32_t kGpmd = fourcc("gpmd");
// A day of records at one a second fits; a longer atom is not one of these.
constexpr int64_t kMaxDirectory = int64_t(32) << 20;
constexpr int64_t kMaxIndexEntries = 1 << 20;
// A block holds a few records at most (the cameras' blocks are 16 KiB, mostly padding).
constexpr std::size_t kMaxBlockRead = 0x1000;
constexpr std::size_t kMinBlock = 82;
constexpr std::size_t kBlockHeads[] = {16, 48, 80};
constexpr char kTrailerMark[] = "&&&&";
constexpr std::size_t kTrailerTail = 8;
constexpr std::size_t kGpmdHead = 80;
constexpr std::size_t kHeadedSampleMark = 27; // through the hemispheres at 25 and 26
constexpr char kOffsetHeadMark[] = "__V35AX_QVDATA__";
constexpr int kTsGpsPid = 0x300;
// The one unit size whose records the cameras fuzz.
constexpr std::size_t kFuzzedUnitSize = 200;

struct Place
{
    ligo::Decoder decoder;
    const char *where = "";
};

bool startsWith(const std::vector<unsigned char> &bytes, std::size_t at, const char *text,
                std::size_t n)
{
    return at <= bytes.size() && bytes.size() - at >= n &&
           std::memcmp(bytes.data() + at, text, n) == 0;
}

// The box's content, when it is not too large to be a directory of records.
bool contentOf(InputFile &file, const BoxHead &box, std::vector<unsigned char> *bytes)
{
    const int64_t length = box.size - box.headSize;
    if (length <= 0 || length > kMaxDirectory)
        return false;
    bytes->resize(std::size_t(length));
    return file.readAt(box.offset + box.headSize, bytes->data(), bytes->size());
}

// The directory 16, 48 or 80 bytes into a block; 0 when there is none with a whole record.
std::size_t directoryIn(const std::vector<unsigned char> &block)
{
    for (std::size_t head : kBlockHeads)
        if (startsWith(block, head, ligo::kTag, ligo::kTagSize) &&
            block.size() >= head + ligo::kRecordSize)
            return head;
    return 0;
}

// A block of one camera family whose positions are fuzzed by the third scale: the directory at
// 16, the word 0x3f0 at 12 and a zero counter.
bool thirdScaleBlock(const std::vector<unsigned char> &block, std::size_t head)
{
    static const unsigned char word[4] = {0xf0, 0x03, 0, 0};
    static const unsigned char zero[4] = {};
    return head == 16 && block.size() >= 36 && std::memcmp(block.data() + 12, word, 4) == 0 &&
           std::memcmp(block.data() + 32, zero, 4) == 0;
}

// One "freeGPS " block, size bytes at offset.
void readBlock(InputFile &file, int64_t offset, uint32_t size, ligo::Decoder *decoder)
{
    if (size < kMinBlock)
        return;
    std::vector<unsigned char> block(std::min<std::size_t>(size, kMaxBlockRead));
    if (!file.readAt(offset, block.data(), block.size()) || !startsWith(block, 4, "freeGPS ", 8))
        return;
    const std::size_t head = directoryIn(block);
    if (head == 0)
        return;
    if (thirdScaleBlock(block, head))
        decoder->useThirdScale();
    decoder->addDirectory(block.data(), block.size(), head, false);
}

// The blocks a "gps " index lists: count at 12, (offset, size) pairs from 16, big-endian.
void readIndex(InputFile &file, const BoxHead &index, ligo::Decoder *decoder)
{
    unsigned char countBytes[4];
    if (index.size < 16 || !file.readAt(index.offset + 12, countBytes, 4))
        return;
    const int64_t count =
        std::min<int64_t>({int64_t(readBe32(countBytes)), (index.size - 16) / 8, kMaxIndexEntries});
    if (count <= 0)
        return;
    std::vector<unsigned char> table(std::size_t(count) * 8);
    if (!file.readAt(index.offset + 16, table.data(), table.size()))
        return;
    for (std::size_t i = 0; i < std::size_t(count); ++i)
        readBlock(file, readBe32(table.data() + i * 8), readBe32(table.data() + i * 8 + 4),
                  decoder);
}

bool fromIndexedBlocks(VideoIndex &video, Place *place)
{
    place->where = "freeGPS blocks listed by a gps index";
    std::vector<const BoxHead *> indexes;
    for (const BoxHead &head : video.topLevel())
        if (head.type == kGpsIndex)
            indexes.push_back(&head);
    for (const BoxHead &head : video.movieChildren())
        if (head.type == kGpsIndex)
            indexes.push_back(&head);
    for (const BoxHead *index : indexes) {
        readIndex(video.file(), *index, &place->decoder);
        if (place->decoder.records() > 0)
            return true;
    }
    return false;
}

// The trailer's start from the file's last 8 bytes; -1 without one.
int64_t trailerStart(InputFile &file)
{
    unsigned char tail[kTrailerTail];
    if (file.size() < int64_t(kTrailerTail) ||
        !file.readAt(file.size() - int64_t(kTrailerTail), tail, sizeof tail) ||
        std::memcmp(tail, kTrailerMark, 4) != 0)
        return -1;
    const int64_t length = readBe32(tail + 4);
    return length >= 16 && length < file.size() ? file.size() - length : -1;
}

// The trailer's skip atom head at start, and the length of what follows it; -1 when the bytes
// there are no such head.
int64_t trailerAtomLength(InputFile &file, int64_t start)
{
    unsigned char head[8];
    if (start < 0 || !file.readAt(start, head, sizeof head))
        return -1;
    // The type in any case, as ExifTool takes it.
    char type[4];
    for (int i = 0; i < 4; ++i)
        type[i] = char(head[4 + i] | 0x20);
    const int64_t length = int64_t(readBe32(head)) - 16;
    if (std::memcmp(type, "skip", 4) != 0 || length <= 0 || length > kMaxDirectory ||
        start + 8 + length > file.size())
        return -1;
    return length;
}

bool fromTrailer(VideoIndex &video, Place *place)
{
    place->where = "a skip atom at the file's end, found from its last 8 bytes";
    InputFile &file = video.file();
    const int64_t start = trailerStart(file);
    if (start < 0)
        return false;
    const int64_t length = trailerAtomLength(file, start);
    if (length < 0) {
        qCDebug(lcTrack, "a trailer marked at the file's end, but no skip atom of a sane size at %lld",
                static_cast<long long>(start));
        return false;
    }
    std::vector<unsigned char> bytes(std::size_t(length), 0);
    if (!file.readAt(start + 8, bytes.data(), bytes.size()) ||
        !startsWith(bytes, 0, ligo::kTag, ligo::kTagSize))
        return false;
    place->decoder.addDirectory(bytes.data(), bytes.size(), 0, false);
    return place->decoder.records() > 0;
}

bool fromSkipAtom(VideoIndex &video, Place *place)
{
    place->where = "a top-level skip atom";
    const int64_t trailer = trailerStart(video.file());
    std::vector<unsigned char> bytes;
    for (const BoxHead &head : video.topLevel()) {
        if (head.type != kSkip || head.offset == trailer || !contentOf(video.file(), head, &bytes) ||
            !startsWith(bytes, 0, ligo::kTag, ligo::kTagSize))
            continue;
        place->decoder.addDirectory(bytes.data(), bytes.size(), 0, false);
        if (place->decoder.records() > 0)
            return true;
    }
    return false;
}

// A "gpmd" sample of this family: the binary head with 'A' and the hemispheres at 24.
bool isHeadedSample(const std::vector<unsigned char> &s)
{
    return s.size() > 26 && s[21] == 0 && s[22] == 0 && s[23] == 0 && s[24] == 'A' &&
           (s[25] == 'N' || s[25] == 'S') && (s[26] == 'E' || s[26] == 'W');
}

bool fromGpmdSamples(VideoIndex &video, Place *place)
{
    place->where = "gpmd samples behind a binary head";
    std::vector<const MediaTrack *> tracks;
    if (!video.mediaTracks({kGpmd}, &tracks))
        return false;
    std::vector<unsigned char> sample;
    for (const MediaTrack *track : tracks) {
        for (const MediaSample &m : track->samples) {
            if (m.size < kGpmdHead + ligo::kRecordsAt + ligo::kRecordSize)
                continue;
            // The head first: most gpmd samples are other layouts', read once by their row.
            sample.resize(kHeadedSampleMark);
            if (!video.file().readAt(m.offset, sample.data(), sample.size()) ||
                !isHeadedSample(sample))
                continue;
            sample.resize(std::min<std::size_t>(m.size, kMaxBlockRead));
            if (!video.file().readAt(m.offset, sample.data(), sample.size()))
                continue;
            const std::size_t head = directoryIn(sample);
            if (head != 0)
                place->decoder.addDirectory(sample.data(), sample.size(), head, false);
        }
        if (place->decoder.records() > 0)
            return true;
    }
    return false;
}

// PES units on PID 0x300 of a transport stream: a directory at the unit's start (not fuzzed
// unless the unit is 200 bytes), one a second; or one unit holding them all behind "skip" and a
// size (never fuzzed), where the cameras repeat that unit and only the first is read.
bool fromTransportUnits(VideoIndex &video, Place *place)
{
    place->where = "PES units of PID 0x300 of a transport stream";
    static constexpr char kSkipHead[] = "skip";
    for (const std::vector<unsigned char> &unit : video.transportUnits(kTsGpsPid)) {
        if (startsWith(unit, 0, ligo::kTag, ligo::kTagSize)) {
            place->decoder.addDirectory(unit.data(), unit.size(), 0,
                                        unit.size() != kFuzzedUnitSize);
        } else if (startsWith(unit, 0, kSkipHead, 4) &&
                   startsWith(unit, 8, ligo::kTag, ligo::kTagSize)) {
            place->where = "a skip atom in a PES unit of PID 0x300 of a transport stream";
            place->decoder.addDirectory(unit.data(), unit.size(), 8, true);
            break;
        }
    }
    return place->decoder.records() > 0;
}

bool fromUserData(VideoIndex &video, Place *place)
{
    place->where = "JSON objects in a top-level udta atom";
    std::vector<unsigned char> bytes;
    static constexpr char kJsonStart[] = "LIGOGPSINFO {";
    for (const BoxHead &head : video.topLevel()) {
        if (head.type != kUdta || !contentOf(video.file(), head, &bytes))
            continue;
        std::size_t from = 0;
        if (startsWith(bytes, 8, kOffsetHeadMark, sizeof kOffsetHeadMark - 1)) {
            // The first word says where the objects start.
            from = std::size_t(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 |
                               uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24);
            place->where = "JSON objects in a top-level udta atom, behind an offset head";
        }
        if (!startsWith(bytes, from, kJsonStart, sizeof kJsonStart - 1))
            continue;
        place->decoder.addJsonText(reinterpret_cast<const char *>(bytes.data()) + from,
                                   bytes.size() - from);
        if (place->decoder.records() > 0)
            return true;
    }
    return false;
}
} // namespace ligoplaces
} // namespace

bool readLigoGps(VideoIndex &video, LayoutRead *read)
{
    using namespace ligoplaces;
    using Finder = bool (*)(VideoIndex &, Place *);
    static constexpr Finder kPlaces[] = {fromIndexedBlocks, fromSkipAtom, fromTrailer,
                                         fromGpmdSamples, fromUserData, fromTransportUnits};
    for (Finder find : kPlaces) {
        Place place;
        if (!find(video, &place))
            continue;
        read->variant = std::string("LIGOGPSINFO records in ") + place.where + ": " +
                        place.decoder.schemeWords();
        const std::size_t waiting = place.decoder.undeciphered();
        if (place.decoder.damaged() > 0 || waiting > 0)
            qCDebug(lcTrack, "LIGOGPSINFO in %s: %zu of %zu records passed over as damaged, %zu "
                             "left enciphered",
                    place.where, place.decoder.damaged(), place.decoder.records(), waiting);
        read->track = place.decoder.takeTrack();
        if (isWritableTrack(read->track))
            return true;
        read->problem =
            waiting > 0
                ? "LIGOGPSINFO records found in " + std::string(place.where) +
                      ", but their digit cipher could not be learnt (too few seconds counted)"
                : "LIGOGPSINFO records found in " + std::string(place.where) +
                      ", but none holds a date and a position that could be read";
        return false;
    }
    return false;
}

bool endsWithLigoTrailer(const VideoInput &input)
{
    using namespace ligoplaces;
    InputFile file(input);
    if (!file.isOpen())
        return false;
    const int64_t start = trailerStart(file);
    unsigned char tag[ligo::kTagSize];
    return start >= 0 && trailerAtomLength(file, start) >= int64_t(sizeof tag) &&
           file.readAt(start + 8, tag, sizeof tag) &&
           std::memcmp(tag, ligo::kTag, ligo::kTagSize) == 0;
}

bool isLigoFreeGpsBlock(const unsigned char *block, std::size_t size)
{
    using namespace ligoplaces;
    const std::vector<unsigned char> bytes(block, block + std::min(size, kMaxBlockRead));
    return startsWith(bytes, 4, "freeGPS ", 8) && directoryIn(bytes) != 0;
}
