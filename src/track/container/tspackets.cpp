#include "tspackets.h"
#include "tracklog.h"

namespace {
namespace tspackets {
constexpr std::size_t kHeadSize = 4;
// PES streams whose head has no optional part: padding, private stream 2 and the like.
bool withoutOptionalHead(unsigned char streamId)
{
    return streamId == 0xbc || streamId == 0xbe || streamId == 0xbf || streamId == 0xf0 ||
           streamId == 0xf1 || streamId == 0xff || streamId == 0xf2 || streamId == 0xf8;
}
} // namespace tspackets
} // namespace

bool looksLikeTransportStream(InputFile &file)
{
    unsigned char first[1], second[1];
    return file.readAt(0, first, 1) && file.readAt(int64_t(kTsPacketSize), second, 1) &&
           first[0] == kTsSync && second[0] == kTsSync;
}

bool PesAssembler::take(const unsigned char *packet)
{
    using namespace tspackets;
    if (packet[0] != kTsSync || tsPid(packet) != m_pid || !(packet[3] & 0x10))
        return false;
    std::size_t at = kHeadSize;
    if (packet[3] & 0x20)
        at += 1 + std::size_t(packet[4]); // the adaptation field
    if (at >= kTsPacketSize)
        return false;
    bool finished = false;
    if (tsUnitStart(packet)) {
        finished = finish();
        const unsigned char *p = packet + at;
        const std::size_t left = kTsPacketSize - at;
        // 00 00 01, the stream id and the length; then, for most streams, two flag bytes and
        // the length of the optional head.
        if (left < 6 || p[0] != 0 || p[1] != 0 || p[2] != 1)
            return finished;
        at += 6;
        if (!withoutOptionalHead(p[3])) {
            if (left < 9 || (p[6] & 0xc0) != 0x80)
                return finished;
            at += 3 + std::size_t(p[8]);
        }
        if (at >= kTsPacketSize)
            return finished;
        m_open = true;
    }
    if (!m_open)
        return finished;
    const std::size_t room = m_max - std::min(m_max, m_unit.size());
    const std::size_t take = std::min(room, kTsPacketSize - at);
    if (take < kTsPacketSize - at)
        qCDebug(lcTrack) << "PES unit of PID" << m_pid << "longer than" << m_max
                         << "bytes: its rest dropped";
    m_unit.insert(m_unit.end(), packet + at, packet + at + take);
    return finished;
}

bool PesAssembler::finish()
{
    if (!m_open)
        return false;
    m_open = false;
    m_done.swap(m_unit);
    m_unit.clear();
    return true;
}
