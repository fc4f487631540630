#include "tspackets.h"
#include "tracklog.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {
namespace tspackets {
constexpr std::size_t kHeadSize = 4;
// PES streams whose head has no optional part: padding, private stream 2 and the like.
bool withoutOptionalHead(unsigned char streamId)
{
    return streamId == 0xbc || streamId == 0xbe || streamId == 0xbf || streamId == 0xf0 ||
           streamId == 0xf1 || streamId == 0xff || streamId == 0xf2 || streamId == 0xf8;
}

// Where the payload starts, or kTsPacketSize when the packet carries none for the assembler.
std::size_t payloadAt(const unsigned char *packet)
{
    if (packet[0] != kTsSync || !(packet[3] & 0x10))
        return kTsPacketSize;
    std::size_t at = kHeadSize;
    if (packet[3] & 0x20)
        at += 1 + std::size_t(packet[4]); // the adaptation field
    return std::min(at, kTsPacketSize);
}

// Packets read at once: 96 KB, which the scan of their heads finds still in the core's cache.
constexpr int64_t kPacketsPerRead = 512;
// Packets in a run of TsRunReader: about 770 KB, so that the two readers meet seldom.
constexpr int64_t kPacketsPerRun = 4096;
// Below this a file is read in one part: a thread costs more than it saves.
constexpr int64_t kMinBytesToSplit = 32 << 20;
// Two cores already read the cached file half again as fast as `cat`; each part may hold as
// many units as the whole stream is allowed, so more parts would only raise what a hostile
// stream can make us keep.
constexpr unsigned kMaxParts = 2;

// What one part of the stream gave: the units begun and finished inside it, the packets of the
// PID before its first unit start (they continue a unit of a part before), and the assembler
// with the unit still under way at its end.
struct Part
{
    int64_t first = 0; // packet index
    int64_t end = 0;   // one past the part's last packet
    bool hasStart = false;
    std::vector<unsigned char> lead; // whole packets
    std::vector<std::vector<unsigned char>> units;
    PesAssembler assembler;

    Part(int pid, std::size_t maxUnit) : assembler(pid, maxUnit) {}
};

void collectPart(InputFile &file, std::size_t maxUnits, Part *part)
{
    std::vector<unsigned char> chunk(std::size_t(kPacketsPerRead) * kTsPacketSize);
    // A unit takes no more than maxUnit bytes: lead packets past that many could add nothing.
    std::size_t leadBytes = 0;
    for (int64_t at = part->first; at < part->end;) {
        const int64_t count = std::min(kPacketsPerRead, part->end - at);
        if (!file.readApart(at * int64_t(kTsPacketSize), chunk.data(),
                            std::size_t(count) * kTsPacketSize))
            return;
        for (int64_t k = 0; k < count; ++k) {
            const unsigned char *packet = chunk.data() + std::size_t(k) * kTsPacketSize;
            if (tsPid(packet) != part->assembler.pid())
                continue;
            if (!part->hasStart && !part->assembler.startsUnit(packet)) {
                const std::size_t payload = kTsPacketSize - payloadAt(packet);
                if (payload > 0 && leadBytes < part->assembler.maxUnit()) {
                    part->lead.insert(part->lead.end(), packet, packet + kTsPacketSize);
                    leadBytes += payload;
                }
                continue;
            }
            part->hasStart = true;
            if (part->assembler.take(packet)) {
                part->units.push_back(part->assembler.unit());
                if (part->units.size() >= maxUnits)
                    return;
            }
        }
        at += count;
    }
}

// The parts' units in stream order: the unit under way at a part's end goes on with the next
// parts' lead packets until a part with a unit start finishes it.
std::vector<std::vector<unsigned char>> joinParts(std::vector<Part> &parts, std::size_t maxUnits)
{
    std::vector<std::vector<unsigned char>> units;
    const auto add = [&](std::vector<unsigned char> unit) {
        if (units.size() < maxUnits)
            units.push_back(std::move(unit));
    };
    PesAssembler *carry = &parts[0].assembler;
    for (std::size_t i = 0; i < parts.size() && units.size() < maxUnits; ++i) {
        Part &part = parts[i];
        for (std::size_t at = 0; at < part.lead.size(); at += kTsPacketSize)
            carry->take(part.lead.data() + at);
        if (!part.hasStart)
            continue;
        if (carry != &part.assembler && carry->finish())
            add(carry->unit());
        for (std::vector<unsigned char> &unit : part.units)
            add(std::move(unit));
        carry = &part.assembler;
    }
    if (carry->finish())
        add(carry->unit());
    return units;
}
} // namespace tspackets
} // namespace

bool looksLikeTransportStream(InputFile &file)
{
    unsigned char first[1], second[1];
    return file.readAt(0, first, 1) && file.readAt(int64_t(kTsPacketSize), second, 1) &&
           first[0] == kTsSync && second[0] == kTsSync;
}

bool PesAssembler::startsUnit(const unsigned char *packet) const
{
    using namespace tspackets;
    return tsPid(packet) == m_pid && tsUnitStart(packet) && payloadAt(packet) < kTsPacketSize;
}

bool PesAssembler::take(const unsigned char *packet)
{
    using namespace tspackets;
    if (tsPid(packet) != m_pid)
        return false;
    std::size_t at = payloadAt(packet);
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

std::vector<std::vector<unsigned char>> collectPesUnits(InputFile &file, int pid,
                                                        std::size_t maxUnits, unsigned partCount)
{
    using namespace tspackets;
    const int64_t packets = file.size() / int64_t(kTsPacketSize);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const unsigned count = partCount > 0                    ? partCount
                           : file.size() < kMinBytesToSplit ? 1u
                                                            : std::min(cores, kMaxParts);
    const std::size_t maxUnit = PesAssembler(pid).maxUnit();
    std::vector<Part> parts(count, Part(pid, maxUnit));
    for (unsigned i = 0; i < count; ++i) {
        parts[i].first = packets * i / count;
        parts[i].end = packets * (i + 1) / count;
    }
    // The first part needs no unit start: whatever precedes one there belongs to no unit.
    parts[0].hasStart = true;
    std::vector<std::thread> helpers;
    unsigned onThisThread = count; // the parts from here on, when no thread could be had
    for (unsigned i = 1; i < count && onThisThread == count; ++i) {
        try {
            helpers.emplace_back(collectPart, std::ref(file), maxUnits, &parts[i]);
        } catch (const std::system_error &) {
            qCWarning(lcTrack) << "no thread to read a part of the stream: read one after another";
            onThisThread = i;
        }
    }
    collectPart(file, maxUnits, &parts[0]);
    for (unsigned i = onThisThread; i < count; ++i)
        collectPart(file, maxUnits, &parts[i]);
    for (std::thread &t : helpers)
        t.join();
    return joinParts(parts, maxUnits);
}

struct TsRunReader::Helper
{
    std::thread thread;
    std::mutex mutex;
    std::condition_variable changed;
    int64_t asked = -1; // the run asked for
    int64_t done = -1;  // the run read into buffer
    bool ok = false;
    bool stop = false;
    std::vector<unsigned char> buffer;
    std::size_t size = 0;
};

TsRunReader::TsRunReader(InputFile &file, bool twoReaders) : m_file(file)
{
    using namespace tspackets;
    const int64_t packets = file.size() / int64_t(kTsPacketSize);
    m_runs = (packets + kPacketsPerRun - 1) / kPacketsPerRun;
    if (m_runs < 2 || (!twoReaders && file.size() < kMinBytesToSplit))
        return;
    auto *helper = new Helper;
    try {
        helper->thread = std::thread([this, helper] {
            std::unique_lock<std::mutex> lock(helper->mutex);
            for (;;) {
                helper->changed.wait(lock, [helper] {
                    return helper->stop || helper->asked != helper->done;
                });
                if (helper->stop)
                    return;
                const int64_t run = helper->asked;
                lock.unlock();
                std::size_t size = 0;
                const bool ok = readRun(run, &helper->buffer, &size);
                lock.lock();
                helper->size = size;
                helper->ok = ok;
                helper->done = run;
                helper->changed.notify_all();
            }
        });
        m_helper = helper;
    } catch (const std::system_error &) {
        qCWarning(lcTrack) << "no thread to help read the stream: read alone";
        delete helper;
    }
}

TsRunReader::~TsRunReader()
{
    if (!m_helper)
        return;
    {
        std::lock_guard<std::mutex> lock(m_helper->mutex);
        m_helper->stop = true;
    }
    m_helper->changed.notify_all();
    m_helper->thread.join();
    delete m_helper;
}

bool TsRunReader::readRun(int64_t run, std::vector<unsigned char> *buffer, std::size_t *size)
{
    using namespace tspackets;
    const int64_t packets = m_file.size() / int64_t(kTsPacketSize);
    const int64_t first = run * kPacketsPerRun;
    const int64_t count = std::min(kPacketsPerRun, packets - first);
    *size = std::size_t(count) * kTsPacketSize;
    buffer->resize(*size);
    return count > 0 && m_file.readApart(first * int64_t(kTsPacketSize), buffer->data(), *size);
}

bool TsRunReader::next(const unsigned char **data, std::size_t *size)
{
    if (m_next >= m_runs)
        return false;
    const int64_t run = m_next++;
    if (m_helper && run % 2 == 1) {
        // The helper's run, asked for with the one before.
        std::unique_lock<std::mutex> lock(m_helper->mutex);
        m_helper->changed.wait(lock, [this, run] { return m_helper->done == run; });
        if (!m_helper->ok) {
            m_next = m_runs;
            return false;
        }
        *data = m_helper->buffer.data();
        *size = m_helper->size;
        return true;
    }
    if (m_helper && run + 1 < m_runs) {
        {
            std::lock_guard<std::mutex> lock(m_helper->mutex);
            m_helper->asked = run + 1;
        }
        m_helper->changed.notify_all();
    }
    if (!readRun(run, &m_mine, size)) {
        m_next = m_runs;
        return false;
    }
    *data = m_mine.data();
    return true;
}
