// "freeGPS " blocks that no index lists, found by scanning the top-level "mdat" and "free"
// boxes for the block head: a 32-bit big-endian size whose first and last bytes are zero, then
// the tag "freeGPS ".
#include "freegpsblocks.h"
#include "freegpsscanlayouts.h"
#include "rmcinfo.h"
#include "secondstrack.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {
namespace freegpsscanned {
constexpr uint32_t kMdat = fourcc("mdat");
constexpr uint32_t kFree = fourcc("free");
constexpr std::size_t kHeadSize = 12;
constexpr char kTag[] = "freeGPS ";

// The first block sits near the start of the media data: without one in its first 20 MB, a
// box holds none (the bound keeps the scan of a recording without GPS short).
constexpr int64_t kFirstBlockWithin = 20 * 1000 * 1000;
// The cameras start every block on a 32 KiB boundary of the file: once the first two blocks sit
// on one, only the boundaries are looked at, so the scan reads far less than the whole file.
constexpr int64_t kAlignment = 0x8000;
// Reads while looking at every byte.
constexpr std::size_t kChunk = 256 * 1024;
// No layout needs more of a block than this (the ring's 32 KiB blocks are the largest seen).
constexpr std::size_t kMaxBlockRead = 1 << 20;
// Two days at ten samples a second; a hostile file cannot make more.
constexpr std::size_t kMaxSamples = 2 * 24 * 3600 * 10;

bool isBlockHead(const unsigned char *p)
{
    return p[0] == 0 && p[3] == 0 && std::memcmp(p + 4, kTag, 8) == 0;
}

// The first block head in bytes [0, length), -1 when none starts there.
int64_t findBlockHead(const unsigned char *bytes, std::size_t length)
{
    if (length < kHeadSize)
        return -1;
    // The "G" of the tag sits 8 bytes into the head.
    const unsigned char *p = bytes + 8;
    const unsigned char *const last = bytes + length - (kHeadSize - 8);
    while (p <= last) {
        const void *g = std::memchr(p, 'G', std::size_t(last - p) + 1);
        if (!g)
            return -1;
        const unsigned char *head = static_cast<const unsigned char *>(g) - 8;
        if (isBlockHead(head))
            return head - bytes;
        p = static_cast<const unsigned char *>(g) + 1;
    }
    return -1;
}

class Scanner
{
public:
    Scanner(InputFile &file, DecodedTrack *track) : m_file(file), m_track(track) {}

    // Scans bytes [begin, end) of one box.
    void scan(int64_t begin, int64_t end);

    bool full() const { return m_track->samples.size() >= kMaxSamples; }
    ScannedLayout layout() const { return m_layout; }
    int blocks() const { return m_blocks; }
    int maskedBlocks() const { return m_maskedBlocks; }
    bool anyAccel() const { return !m_track->accel.empty(); }

private:
    // Reads and decodes the block at offset; returns the bytes it spans.
    // inMemory, when set, holds the file's bytes from offset up to inMemoryEnd.
    int64_t takeBlock(int64_t offset, int64_t end, const unsigned char *inMemory = nullptr,
                      int64_t inMemoryEnd = 0);
    void scanEveryByte(int64_t begin, int64_t end, bool bounded);
    void scanBoundaries(int64_t begin, int64_t end);
    int decode(const unsigned char *block, std::size_t size);

    InputFile &m_file;
    DecodedTrack *m_track;
    ScanState m_state;
    ScannedLayout m_layout = ScannedLayout::Unknown; // of the first block decoded
    bool m_aligned = false;
    int m_blocksOnBoundaries = 0; // of the first two blocks
    int m_blocks = 0;             // block heads found
    int m_maskedBlocks = 0;       // masked blocks none of whose records could be read
    std::vector<unsigned char> m_buffer;
};

int Scanner::decode(const unsigned char *block, std::size_t size)
{
    const ScannedLayout layout = classifyScannedBlock(block, size);
    int added = 0;
    switch (layout) {
    case ScannedLayout::MaskedRing:
        added = decodeMaskedRing(block, size, &m_state, m_track);
        // A ring repeats what the last block held: only a ring without any readable record
        // is one masked in another way.
        if (added == 0 && m_state.newest[0] == 0)
            ++m_maskedBlocks;
        break;
    case ScannedLayout::DoubleWords:
        added = decodeDoubleWords(block, size, m_track);
        break;
    case ScannedLayout::ScaledIntegers:
        added = decodeScaledIntegers(block, size, m_track);
        break;
    case ScannedLayout::FloatRecord:
        added = decodeFloatRecord(block, size, m_track);
        break;
    case ScannedLayout::FloatWords:
        added = decodeFloatWords(block, size, m_track);
        break;
    case ScannedLayout::TimelessRecords:
        added = decodeTimelessRecords(block, size, m_track);
        break;
    case ScannedLayout::DoublesWithText:
        added = decodeDoublesWithText(block, size, m_track);
        break;
    case ScannedLayout::BigEndianRecords:
        added = decodeBigEndianRecords(block, size, m_track);
        break;
    case ScannedLayout::TenthsRecords:
        added = decodeTenthsRecords(block, size, m_track);
        break;
    case ScannedLayout::Unknown:
        break;
    }
    if (m_layout == ScannedLayout::Unknown && layout != ScannedLayout::Unknown)
        m_layout = layout;
    return added;
}

int64_t Scanner::takeBlock(int64_t offset, int64_t end, const unsigned char *inMemory,
                           int64_t inMemoryEnd)
{
    unsigned char head[kHeadSize];
    if (inMemory && offset + int64_t(kHeadSize) <= inMemoryEnd)
        std::memcpy(head, inMemory, kHeadSize);
    else if (!m_file.readAt(offset, head, sizeof head))
        return 0;
    if (!isBlockHead(head))
        return 0;
    ++m_blocks;
    const int64_t declared = std::max<int64_t>(readBe32(head), int64_t(kHeadSize));
    const int64_t length =
        std::min<int64_t>(std::min<int64_t>(declared, end - offset), int64_t(kMaxBlockRead));
    if (inMemory && offset + length <= inMemoryEnd) {
        decode(inMemory, std::size_t(length));
        return declared;
    }
    m_buffer.resize(std::size_t(length));
    if (m_file.readAt(offset, m_buffer.data(), m_buffer.size()))
        decode(m_buffer.data(), m_buffer.size());
    return declared;
}

void Scanner::scanEveryByte(int64_t begin, int64_t end, bool bounded)
{
    std::vector<unsigned char> chunk;
    int64_t at = begin; // where the scan goes on
    while (end - at >= int64_t(kHeadSize) && !full()) {
        if (bounded && m_blocks == 0 && at - begin > kFirstBlockWithin)
            return;
        const std::size_t length = std::size_t(std::min<int64_t>(end - at, int64_t(kChunk)));
        chunk.resize(length);
        if (!m_file.readAt(at, chunk.data(), length))
            return;
        const int64_t chunkStart = at;
        const int64_t chunkEnd = at + int64_t(length);
        // Every block in the chunk, then on after its last whole head.
        for (;;) {
            const std::size_t from = std::size_t(at - chunkStart);
            const int64_t found = findBlockHead(chunk.data() + from, length - from);
            if (found < 0) {
                // A head may straddle the chunk's end.
                at = std::max(at, chunkEnd - int64_t(kHeadSize - 1));
                break;
            }
            const int64_t block = at + found;
            if (m_blocks < 2 && block % kAlignment == 0)
                ++m_blocksOnBoundaries;
            at = block +
                 std::max<int64_t>(
                     1, takeBlock(block, end, chunk.data() + (block - chunkStart), chunkEnd));
            // Two blocks on boundaries are no chance: the camera aligns them all.
            m_aligned = m_blocksOnBoundaries == 2;
            if (m_aligned) {
                scanBoundaries(at, end);
                return;
            }
            if (at > chunkEnd - int64_t(kHeadSize) || full())
                break;
        }
        if (chunkEnd >= end)
            return;
    }
}

void Scanner::scanBoundaries(int64_t begin, int64_t end)
{
    int64_t at = (begin + kAlignment - 1) / kAlignment * kAlignment;
    unsigned char head[kHeadSize];
    while (end - at >= int64_t(kHeadSize) && !full()) {
        if (m_file.readAt(at, head, sizeof head) && isBlockHead(head)) {
            const int64_t after =
                at + std::max<int64_t>(1, takeBlock(at, end, head, at + kHeadSize));
            at = (after + kAlignment - 1) / kAlignment * kAlignment;
        } else {
            at += kAlignment;
        }
    }
}

void Scanner::scan(int64_t begin, int64_t end)
{
    if (m_aligned)
        scanBoundaries(begin, end);
    else
        scanEveryByte(begin, end, true);
}

// A recording cut short (the card pulled while recording) leaves a media data box that claims
// more than the file holds, which the walk refuses: the part that is there is scanned.
void scanCutMediaData(InputFile &file, int64_t offset, Scanner *scanner)
{
    unsigned char bytes[8];
    if (!file.readAt(offset, bytes, sizeof bytes) || readBe32(bytes + 4) != kMdat)
        return;
    const int64_t headSize = readBe32(bytes) == 1 ? 16 : 8;
    if (file.size() - offset > headSize)
        scanner->scan(offset + headSize, file.size());
}

// Scans [begin, end) apart from the ranges the picture and sound samples take: the blocks lie
// between the chunks, and the chunks are nearly all of the file.
void scanUnclaimed(Scanner *scanner, int64_t begin, int64_t end,
                   const std::vector<std::pair<int64_t, int64_t>> &claimed)
{
    auto it = std::upper_bound(claimed.begin(), claimed.end(), std::make_pair(begin, INT64_MAX));
    if (it != claimed.begin() && std::prev(it)->second > begin)
        --it;
    int64_t at = begin;
    for (; it != claimed.end() && it->first < end && !scanner->full(); ++it) {
        if (it->first > at)
            scanner->scan(at, it->first);
        at = std::max(at, it->second);
    }
    if (at < end && !scanner->full())
        scanner->scan(at, end);
}

std::string problemText(const Scanner &scanner)
{
    if (scanner.maskedBlocks() > 0)
        return "freeGPS blocks found, but their records are masked in a way not yet known";
    if (scanner.layout() == ScannedLayout::Unknown)
        return "freeGPS blocks found, but their layout is not one known";
    return "freeGPS blocks found, but none holds a sample";
}
} // namespace freegpsscanned
} // namespace

bool readScannedFreeGps(VideoIndex &video, LayoutRead *read)
{
    using namespace freegpsscanned;
    DecodedTrack &track = read->track;
    Scanner scanner(video.file(), &track);
    // Without a readable movie box (a recording cut short) every byte is looked at.
    std::vector<std::pair<int64_t, int64_t>> claimed;
    video.claimedMediaRanges(&claimed);
    int64_t next = 0; // where the walk of the top level stopped
    for (const BoxHead &head : video.topLevel()) {
        if (scanner.full())
            break;
        // A top-level "free" box may itself be a block: its head is the block's head.
        if (head.type == kMdat)
            scanUnclaimed(&scanner, head.offset + head.headSize, head.end(), claimed);
        else if (head.type == kFree)
            scanUnclaimed(&scanner, head.offset, head.end(), claimed);
        next = head.end();
    }
    if (!scanner.full())
        scanCutMediaData(video.file(), next, &scanner);
    if (scanner.blocks() == 0)
        return false;
    read->variant =
        std::string("found by scanning the media data, ") + scannedLayoutText(scanner.layout());
    if (track.samples.empty() || !isWritableTrack(track)) {
        read->problem = problemText(scanner);
        return false;
    }
    return true;
}
