#include "sampletable.h"
#include "rmcinfo.h"

#include <algorithm>

namespace {
namespace sampletable {
constexpr uint32_t kTkhd = fourcc("tkhd");
constexpr uint32_t kMdia = fourcc("mdia");
constexpr uint32_t kMdhd = fourcc("mdhd");
constexpr uint32_t kHdlr = fourcc("hdlr");
constexpr uint32_t kMinf = fourcc("minf");
constexpr uint32_t kStbl = fourcc("stbl");
constexpr uint32_t kStsd = fourcc("stsd");
constexpr uint32_t kStts = fourcc("stts");
constexpr uint32_t kCtts = fourcc("ctts");
constexpr uint32_t kStsc = fourcc("stsc");
constexpr uint32_t kStsz = fourcc("stsz");
constexpr uint32_t kStco = fourcc("stco");
constexpr uint32_t kCo64 = fourcc("co64");
constexpr uint32_t kVide = fourcc("vide");

// The same bound as the offset tables: a sample a second for weeks, not more.
constexpr int64_t kMaxEntries = 4 * 1024 * 1024;

// A full box's table: the entry count after version and flags, then count entries of
// entrySize bytes from firstEntry; clamped to the box. Empty when it cannot be read.
std::vector<unsigned char> readTable(InputFile &file, const BoxHead &box, int64_t countAt,
                                     int64_t firstEntry, int entrySize, int64_t *entries)
{
    *entries = 0;
    unsigned char countBytes[4];
    if (box.size < countAt + 4 || !file.readAt(box.offset + countAt, countBytes, 4))
        return {};
    const int64_t count = readBe32(countBytes);
    const int64_t room = box.size > firstEntry ? (box.size - firstEntry) / entrySize : 0;
    const int64_t used = std::min({count, room, kMaxEntries});
    if (used <= 0)
        return {};
    std::vector<unsigned char> table(std::size_t(used) * std::size_t(entrySize));
    if (!file.readAt(box.offset + firstEntry, table.data(), table.size()))
        return {};
    *entries = used;
    return table;
}

uint32_t readU32At(InputFile &file, const BoxHead &box, int64_t at)
{
    unsigned char b[4];
    if (box.size < at + 4 || !file.readAt(box.offset + at, b, 4))
        return 0;
    return readBe32(b);
}

uint32_t timescaleOf(InputFile &file, const BoxHead &mdhd)
{
    unsigned char version = 0;
    if (mdhd.size < 9 || !file.readAt(mdhd.offset + 8, &version, 1))
        return 0;
    // Version 1 has 64-bit creation and modification times before the scale.
    return readU32At(file, mdhd, version == 1 ? 28 : 20);
}

void collectTrackTables(InputFile &file, const BoxHead &trak, TrackTables *boxes)
{
    BoxWalker walker(file, trak.offset + trak.headSize, trak.end());
    BoxHead head;
    while (walker.next(&head)) {
        switch (head.type) {
        case kMdia:
        case kMinf:
        case kStbl:
            if (!walker.descend(head))
                return;
            continue;
        case kTkhd: boxes->tkhd = head; break;
        case kMdhd: boxes->mdhd = head; break;
        case kHdlr: boxes->hdlr = head; break;
        case kStsd: boxes->stsd = head; break;
        case kStts: boxes->stts = head; break;
        case kCtts: boxes->ctts = head; break;
        case kStsc: boxes->stsc = head; break;
        case kStsz: boxes->stsz = head; break;
        case kStco:
        case kCo64: boxes->stco = head; break;
        default: break;
        }
        walker.skip(head);
    }
}

std::vector<int64_t> chunkOffsets(InputFile &file, const BoxHead &stco)
{
    const bool wide = stco.type == kCo64;
    int64_t count = 0;
    const std::vector<unsigned char> table = readTable(file, stco, 12, 16, wide ? 8 : 4, &count);
    std::vector<int64_t> offsets(static_cast<std::size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
        const unsigned char *p = table.data() + i * (wide ? 8 : 4);
        offsets[std::size_t(i)] = wide ? int64_t(readBe64(p) & 0x7fffffffffffffffULL)
                                       : int64_t(readBe32(p));
    }
    return offsets;
}

std::vector<uint32_t> sampleSizes(InputFile &file, const BoxHead &stsz)
{
    const uint32_t uniform = readU32At(file, stsz, 12);
    const uint32_t count = readU32At(file, stsz, 16);
    if (uniform != 0)
        return std::vector<uint32_t>(std::size_t(std::min<int64_t>(count, kMaxEntries)), uniform);
    int64_t entries = 0;
    const std::vector<unsigned char> table = readTable(file, stsz, 16, 20, 4, &entries);
    std::vector<uint32_t> sizes(static_cast<std::size_t>(entries));
    for (int64_t i = 0; i < entries; ++i)
        sizes[std::size_t(i)] = readBe32(table.data() + i * 4);
    return sizes;
}

// Start times and durations in track units, one pair per sample, for count samples.
void sampleTimes(InputFile &file, const BoxHead &stts, std::size_t count,
                 std::vector<MediaSample> *samples, uint32_t timescale)
{
    int64_t entries = 0;
    const std::vector<unsigned char> table = readTable(file, stts, 12, 16, 8, &entries);
    uint64_t units = 0;
    std::size_t index = 0;
    for (int64_t e = 0; e < entries && index < count; ++e) {
        const uint32_t run = readBe32(table.data() + e * 8);
        const uint32_t delta = readBe32(table.data() + e * 8 + 4);
        for (uint32_t k = 0; k < run && index < count; ++k, ++index) {
            (*samples)[index].time = double(units) / timescale;
            (*samples)[index].duration = double(delta) / timescale;
            units += delta;
        }
    }
    // Samples the table leaves out follow the last one without a gap.
    for (; index < count; ++index)
        (*samples)[index].time = double(units) / timescale;
}

// Moves each sample from its decoding time to its presentation time: a video whose frames are
// stored out of order ("B" frames) shows a frame later than it is decoded. Version 0 offsets are
// unsigned, version 1 may be negative; an offset is bounded by what time can hold.
void compositionOffsets(InputFile &file, const BoxHead &ctts, std::vector<MediaSample> *samples,
                        uint32_t timescale)
{
    unsigned char version = 0;
    if (ctts.size < 9 || !file.readAt(ctts.offset + 8, &version, 1))
        return;
    int64_t entries = 0;
    const std::vector<unsigned char> table = readTable(file, ctts, 12, 16, 8, &entries);
    std::size_t index = 0;
    for (int64_t e = 0; e < entries && index < samples->size(); ++e) {
        const uint32_t run = readBe32(table.data() + e * 8);
        const uint32_t raw = readBe32(table.data() + e * 8 + 4);
        const double offset = (version == 1 ? double(int32_t(raw)) : double(raw)) / timescale;
        for (uint32_t k = 0; k < run && index < samples->size(); ++k, ++index)
            (*samples)[index].time = std::max(0.0, (*samples)[index].time + offset);
    }
}

bool readSamples(InputFile &file, const TrackTables &b, MediaTrack *track)
{
    if (!b.has(b.stsz) || !b.has(b.stco) || !b.has(b.stsc) || track->timescale == 0)
        return false;
    const std::vector<int64_t> chunks = chunkOffsets(file, b.stco);
    const std::vector<uint32_t> sizes = sampleSizes(file, b.stsz);
    int64_t runs = 0;
    const std::vector<unsigned char> stsc = readTable(file, b.stsc, 12, 16, 12, &runs);
    std::vector<MediaSample> &samples = track->samples;
    samples.reserve(sizes.size());
    std::size_t next = 0; // next sample
    for (int64_t r = 0; r < runs && next < sizes.size(); ++r) {
        const int64_t first = int64_t(readBe32(stsc.data() + r * 12)) - 1;
        const uint32_t perChunk = readBe32(stsc.data() + r * 12 + 4);
        const int64_t last = r + 1 < runs ? int64_t(readBe32(stsc.data() + (r + 1) * 12)) - 1
                                          : int64_t(chunks.size());
        if (first < 0 || perChunk == 0)
            continue;
        for (int64_t c = first; c < std::min<int64_t>(last, int64_t(chunks.size())) &&
                                next < sizes.size();
             ++c) {
            int64_t at = chunks[std::size_t(c)];
            for (uint32_t k = 0; k < perChunk && next < sizes.size(); ++k, ++next) {
                MediaSample s;
                s.offset = at;
                s.size = sizes[next];
                at += sizes[next];
                samples.push_back(s);
            }
        }
    }
    if (b.has(b.stts))
        sampleTimes(file, b.stts, samples.size(), &samples, track->timescale);
    if (b.has(b.ctts))
        compositionOffsets(file, b.ctts, &samples, track->timescale);
    // A sample that does not lie wholly inside the file is damage; the ones before it stay.
    const auto outside = std::find_if(samples.begin(), samples.end(), [&file](const MediaSample &s) {
        return s.offset < 0 || s.offset > file.size() || int64_t(s.size) > file.size() - s.offset;
    });
    samples.erase(outside, samples.end());
    return true;
}
} // namespace sampletable
} // namespace

void readTrackHead(InputFile &file, const BoxHead &trak, MediaTrack *track, TrackTables *tables)
{
    using namespace sampletable;
    collectTrackTables(file, trak, tables);
    // The first sample description's format sits after its size, 16 bytes in.
    track->format = tables->has(tables->stsd) ? readU32At(file, tables->stsd, 20) : 0;
    track->handler = tables->has(tables->hdlr) ? readU32At(file, tables->hdlr, 16) : 0;
    track->timescale = tables->has(tables->mdhd) ? timescaleOf(file, tables->mdhd) : 0;
    track->video = track->handler == kVide;
}

bool readTrackSamples(InputFile &file, const TrackTables &tables, MediaTrack *track)
{
    using namespace sampletable;
    track->samples.clear();
    return readSamples(file, tables, track);
}
