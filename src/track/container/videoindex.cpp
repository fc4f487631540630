#include "videoindex.h"

#include <algorithm>

namespace {
namespace videoindex {
constexpr uint32_t kMoov = fourcc("moov");
constexpr uint32_t kTrak = fourcc("trak");
constexpr uint32_t kVide = fourcc("vide");
constexpr uint32_t kSoun = fourcc("soun");
// More tracks than any camera writes; a hostile movie box cannot make us read more tables.
constexpr int kMaxTracks = 64;
} // namespace videoindex
} // namespace

VideoIndex::VideoIndex(const VideoInput &input)
    : m_file(input), m_path(input.data ? nullptr : input.path)
{
    using namespace videoindex;
    if (!m_file.isOpen())
        return;
    BoxWalker walker(m_file, 0, m_file.size());
    BoxHead head;
    while (walker.next(&head)) {
        m_top.push_back(head);
        walker.skip(head);
    }
    const auto moov = std::find_if(m_top.begin(), m_top.end(),
                                   [](const BoxHead &b) { return b.type == kMoov; });
    if (moov == m_top.end())
        return;
    m_movie = &*moov;
    BoxWalker inside(m_file, m_movie->offset + m_movie->headSize, m_movie->end());
    while (inside.next(&head)) {
        m_movieChildren.push_back(head);
        inside.skip(head);
        if (head.type != kTrak || int(m_tracks.size()) >= kMaxTracks)
            continue;
        IndexedTrack t;
        readTrackHead(m_file, head, &t.track, &t.tables);
        m_tracks.push_back(std::move(t));
    }
}

const MediaTrack *VideoIndex::samplesOf(IndexedTrack &t)
{
    if (!t.read) {
        t.read = true;
        t.usable = readTrackSamples(m_file, t.tables, &t.track);
    }
    return t.usable ? &t.track : nullptr;
}

bool VideoIndex::mediaTracks(std::initializer_list<uint32_t> formats,
                             std::vector<const MediaTrack *> *tracks)
{
    tracks->clear();
    if (!m_movie)
        return false;
    for (IndexedTrack &t : m_tracks) {
        if (formats.size() > 0 &&
            std::find(formats.begin(), formats.end(), t.track.format) == formats.end())
            continue;
        if (const MediaTrack *track = samplesOf(t))
            tracks->push_back(track);
    }
    return true;
}

bool VideoIndex::claimedMediaRanges(std::vector<std::pair<int64_t, int64_t>> *ranges)
{
    using namespace videoindex;
    ranges->clear();
    if (!m_movie)
        return false;
    for (IndexedTrack &t : m_tracks) {
        // Metadata and text tracks stay out: their samples may be the very blocks looked for.
        if (t.track.handler != kVide && t.track.handler != kSoun)
            continue;
        const MediaTrack *track = samplesOf(t);
        if (!track)
            continue;
        for (const MediaSample &sample : track->samples) {
            if (!ranges->empty() && ranges->back().second == sample.offset)
                ranges->back().second += sample.size;
            else
                ranges->emplace_back(sample.offset, sample.offset + int64_t(sample.size));
        }
    }
    std::sort(ranges->begin(), ranges->end());
    std::size_t kept = 0;
    for (std::size_t i = 0; i < ranges->size(); ++i) {
        if (kept > 0 && (*ranges)[i].first <= (*ranges)[kept - 1].second)
            (*ranges)[kept - 1].second = std::max((*ranges)[kept - 1].second, (*ranges)[i].second);
        else
            (*ranges)[kept++] = (*ranges)[i];
    }
    ranges->resize(kept);
    return true;
}

const std::vector<std::vector<unsigned char>> &VideoIndex::transportUnits(int pid)
{
    // Hours of one unit a frame; a hostile stream cannot make more.
    constexpr std::size_t kMaxUnits = 1u << 20;
    if (pid == m_unitsPid)
        return m_units;
    m_unitsPid = pid;
    m_units.clear();
    if (!looksLikeTransportStream(m_file))
        return m_units;
    m_units = collectPesUnits(m_file, pid, kMaxUnits);
    return m_units;
}
