#include "freegpsblocks.h"
#include "secondstrack.h"
#include "freegpsvariants.h"
#include "rmcinfo.h"

#include <algorithm>
#include <string>

namespace {
namespace freegpsindexed {
constexpr uint32_t kMoov = fourcc("moov");
constexpr uint32_t kGpsIndex = fourcc("gps ");
// The index: version, count, then (offset, size) pairs, all 32-bit big-endian.
constexpr int64_t kCountAt = 12;
constexpr int64_t kFirstEntryAt = 16;
constexpr std::size_t kEntrySize = 8;
// Twelve days at one block a second; a hostile count allocates no more.
constexpr int64_t kMaxEntries = 1 << 20;
// No variant reads further into its block than this; a block may be far larger (32 KiB).
constexpr std::size_t kMaxBlockRead = 512;
constexpr std::size_t kMinBlockSize = 92;
// Index boxes looked at before giving up: another "gps " box may hold a text log instead.
constexpr int kMaxIndexes = 4;

struct IndexedBlocks
{
    DecodedTrack track;
    bool decoded = false;
    bool namedByFix = false;
    bool localTime = false;
    std::string variant;
    std::string problem; // the first masked block's
};

struct IndexEntry
{
    uint32_t offset = 0;
    uint32_t size = 0;
};

// The index's entries, as many as the count says and the box holds.
bool readIndexEntries(InputFile &file, const BoxHead &index, std::vector<IndexEntry> *entries)
{
    unsigned char countBytes[4];
    if (index.size < kFirstEntryAt || !file.readAt(index.offset + kCountAt, countBytes, 4))
        return false;
    const int64_t room = (index.size - kFirstEntryAt) / int64_t(kEntrySize);
    const int64_t count = std::min<int64_t>({int64_t(readBe32(countBytes)), room, kMaxEntries});
    if (count <= 0)
        return false;
    std::vector<unsigned char> table(std::size_t(count) * kEntrySize);
    if (!file.readAt(index.offset + kFirstEntryAt, table.data(), table.size()))
        return false;
    entries->resize(std::size_t(count));
    for (std::size_t i = 0; i < entries->size(); ++i) {
        (*entries)[i].offset = readBe32(table.data() + i * kEntrySize);
        (*entries)[i].size = readBe32(table.data() + i * kEntrySize + 4);
    }
    return true;
}

// Decodes the blocks one index lists; the camera lists one block a second.
void readListedBlocks(InputFile &file, const BoxHead &index, IndexedBlocks *out)
{
    std::vector<IndexEntry> entries;
    if (!readIndexEntries(file, index, &entries))
        return;
    unsigned char block[kMaxBlockRead];
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].size < kMinBlockSize)
            continue;
        const std::size_t length = std::min<std::size_t>(entries[i].size, kMaxBlockRead);
        if (!file.readAt(entries[i].offset, block, length))
            continue;
        FreeGpsBlockSample s;
        const FreeGpsOutcome outcome = decodeIndexedFreeGpsBlock(block, length, &s);
        if (outcome == FreeGpsOutcome::Masked && out->problem.empty()) {
            out->problem = s.problem;
            out->variant = s.variant;
        }
        if (outcome != FreeGpsOutcome::Decoded)
            continue;
        // The first block with a fix names the variant best (a block without one may lack
        // what tells the variants' forms apart).
        if (!out->decoded || (!out->namedByFix && s.sample.fix)) {
            out->variant = s.variant;
            out->namedByFix = s.sample.fix;
        }
        out->decoded = true;
        out->localTime = out->localTime || s.localTime;
        s.sample.time = double(i);
        out->track.samples.push_back(s.sample);
        if (s.hasAccel) {
            s.accel.time = double(i);
            out->track.accel.push_back(s.accel);
        }
    }
}

// Reads the indexes among the boxes from start to end, descending into the movie box. Returns
// the movie box's offset when that box runs past the end (the recording was cut short, perhaps
// after the index), else -1.
int64_t readIndexesIn(InputFile &file, int64_t start, int64_t end, IndexedBlocks *found,
                      int *indexes)
{
    BoxWalker walker(file, start, end);
    while (*indexes < kMaxIndexes && !found->decoded) {
        BoxHead head;
        if (!walker.next(&head))
            return head.type == kMoov && head.headSize == 8 && head.size > end - head.offset
                       ? head.offset
                       : -1;
        if (head.type == kMoov) {
            if (!walker.descend(head))
                break;
            continue;
        }
        if (head.type == kGpsIndex) {
            ++*indexes;
            readListedBlocks(file, head, found);
        }
        walker.skip(head);
    }
    return -1;
}
} // namespace freegpsindexed
} // namespace

bool readIndexedFreeGps(VideoIndex &video, LayoutRead *read)
{
    using namespace freegpsindexed;
    InputFile &file = video.file();
    // The index sits in the movie box or at the top level.
    IndexedBlocks found;
    int indexes = 0;
    const int64_t cutMovie = readIndexesIn(file, 0, file.size(), &found, &indexes);
    if (cutMovie >= 0)
        readIndexesIn(file, cutMovie + 8, file.size(), &found, &indexes);
    read->variant = found.variant;
    if (!found.decoded) {
        read->problem = found.problem;
        return false;
    }
    found.track.clock = found.localTime ? TrackClock::LocalTime : TrackClock::Utc;
    read->track = std::move(found.track);
    if (!isWritableTrack(read->track)) {
        read->problem = found.problem;
        return false;
    }
    return true;
}
