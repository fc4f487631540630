// Places blocks of data inside the media data box of a recording made by ffmpeg, among the
// samples of its tracks, the way cameras interleave their GPS blocks with the frames.
#include "mediadatablocks.h"

#include <map>

namespace fixturekit {
namespace {

constexpr qint64 kAlignment = 0x8000;

// The samples of one track where they sit in the base recording.
struct Unit
{
    quint32 offset = 0;
    quint32 size = 0;
    Box *stbl = nullptr;
    int index = 0; // sample number in its track (chunk number for fixed-size samples)
};

std::vector<Unit> samplesOf(Box &stbl)
{
    const QVector<quint32> chunks = chunkOffsets(stbl);
    const QByteArray &stsc = need(stbl, "stsc").payload;
    const QByteArray &stsz = need(stbl, "stsz").payload;
    const quint32 runs = be32(stsc, 4), fixedSize = be32(stsz, 4), count = be32(stsz, 8);
    std::vector<Unit> units;
    quint32 sample = 0;
    for (int c = 0; c < chunks.size(); ++c) {
        quint32 perChunk = 0;
        for (quint32 r = 0; r < runs; ++r) {
            if (be32(stsc, 8 + 12 * r) <= quint32(c + 1))
                perChunk = be32(stsc, 12 + 12 * r);
            if (be32(stsc, 16 + 12 * r) != 1)
                fail("more than one sample description");
        }
        quint32 at = chunks[c];
        if (fixedSize) {
            // Sound of fixed-size samples (PCM) stays in its chunks.
            units.push_back({at, fixedSize * perChunk, &stbl, c});
            continue;
        }
        for (quint32 k = 0; k < perChunk && sample < count; ++k, ++sample) {
            const quint32 size = fixedSize ? fixedSize : be32(stsz, 12 + 4 * sample);
            units.push_back({at, size, &stbl, int(sample)});
            at += size;
        }
    }
    return units;
}

} // namespace

// Samples of varying size become chunks of one sample each, so the blocks can go between the
// frames even where the base keeps a track in a single chunk. The media data ends at least
// 40 KiB after the last block: ExifTool's scan stops short of its last 32 KiB.
QByteArray withBlocksInMediaData(const QByteArray &base, const std::vector<QByteArray> &blocks,
                                 bool aligned, qint64 spacing)
{
    TopLevel top = parseFile(base);
    Box *moov = nullptr, *mdat = nullptr;
    for (Box &b : top.boxes) {
        if (b.type == "wide")
            b.type = "free";
        if (b.type == "moov")
            moov = &b;
        if (b.type == "mdat")
            mdat = &b;
    }
    if (!moov || !mdat || top.boxes.back().type != "moov")
        fail("movie box is not last");
    std::vector<Unit> units;
    std::map<Box *, QVector<quint32>> newOffsets;
    for (Box &t : moov->children) {
        if (t.type != "trak")
            continue;
        Box &stbl = stblOf(t);
        const std::vector<Unit> samples = samplesOf(stbl);
        units.insert(units.end(), samples.begin(), samples.end());
        newOffsets[&stbl] = QVector<quint32>(int(samples.size()), 0);
    }
    std::sort(units.begin(), units.end(),
              [](const Unit &a, const Unit &b) { return a.offset < b.offset; });
    QByteArray data;
    const auto pos = [&]() { return top.mdatOffset + 8 + data.size(); };
    size_t nextBlock = 0;
    qint64 lastBlock = -kAlignment;
    // The short recordings made as fuzzing seeds skip the room ExifTool's scan needs.
    const bool roomForExifTool = blocks.size() >= 8;
    const auto placeBlock = [&]() {
        if (aligned && pos() % kAlignment != 0)
            data.append(int(kAlignment - pos() % kAlignment), '\0');
        if (!aligned && roomForExifTool && pos() < lastBlock + spacing)
            data.append(int(lastBlock + spacing - pos()), '\0');
        if (!aligned && pos() % kAlignment == 0)
            data.append(4, '\0');
        lastBlock = pos();
        data += blocks[nextBlock++];
    };
    // Media data grown for the benchmarks (--pad-mib) keeps its size: the zeros are spread among
    // the samples, so the blocks lie all through a large file as in a camera's.
    qint64 samplesSize = 0;
    for (const Unit &u : units)
        samplesSize += u.size;
    const qint64 slack = qint64(mdat->payload.size()) - samplesSize;
    const qint64 spread = slack > (qint64(1) << 20) ? slack / qint64(units.size()) : 0;
    for (size_t i = 0; i < units.size(); ++i) {
        while (nextBlock < blocks.size() && nextBlock * units.size() / blocks.size() <= i)
            placeBlock();

        // No sample on a 16 KiB boundary: the older reader looks for its blocks behind those.
        if (pos() % 16384 == 0)
            data.append(4, '\0');
        newOffsets[units[i].stbl][units[i].index] = quint32(pos());
        data += base.mid(int(units[i].offset), int(units[i].size));
        // The samples of varying size grow by the zeros, so the chunk tables claim them as a
        // camera's large pictures are claimed; fixed-size sound leaves them between chunks.
        QByteArray &stsz = need(*units[i].stbl, "stsz").payload;
        if (spread > 0) {
            data.append(int(spread), '\0');
            if (be32(stsz, 4) == 0)
                setBE32(stsz, 12 + 4 * units[i].index, units[i].size + quint32(spread));
        }
    }
    while (nextBlock < blocks.size())
        placeBlock();
    const qint64 tail = top.mdatOffset + 8 + data.size() - (lastBlock + blocks.back().size());
    if (roomForExifTool && tail < 40 * 1024)
        data.append(int(40 * 1024 - tail), '\0');
    mdat->payload = data;
    for (auto &[stbl, offsets] : newOffsets) {
        need(*stbl, "stco").payload = stcoPayload(offsets);
        if (be32(need(*stbl, "stsz").payload, 4) != 0)
            continue;
        QByteArray stsc;
        putBE32(stsc, 0);
        putBE32(stsc, 1);
        for (quint32 v : {1u, 1u, 1u})
            putBE32(stsc, v);
        need(*stbl, "stsc").payload = stsc;
    }
    return serialize(top.boxes);
}

} // namespace fixturekit
