#pragma once
// MPEG transport streams: the file read straight through in large runs of whole 188-byte
// packets (every packet is looked at, so reading in runs keeps up with the disk cache), and the
// PES units of one PID put back together from its packets.
#include "trackio.h"

#include <algorithm>
#include <cstdint>
#include <vector>

constexpr std::size_t kTsPacketSize = 188;
constexpr unsigned char kTsSync = 0x47;

inline int tsPid(const unsigned char *packet)
{
    return (packet[1] & 0x1f) << 8 | packet[2];
}
inline bool tsUnitStart(const unsigned char *packet)
{
    return (packet[1] & 0x40) != 0;
}

// True when the file starts with two packets' sync bytes: worth walking as a transport stream.
bool looksLikeTransportStream(InputFile &file);

// The stream's whole packets in runs, in order from its start; a partial packet at the end is
// left out. A large file is read by two threads at once, this one reading every other run while
// a helper reads the next: copying the cached file is what takes the time, and one core copies
// it no faster than `cat`.
class TsRunReader
{
public:
    // twoReaders: read with a helper thread whatever the file's size (for tests); otherwise
    // only a file of 32 MiB and more is.
    explicit TsRunReader(InputFile &file, bool twoReaders = false);
    ~TsRunReader();
    TsRunReader(const TsRunReader &) = delete;
    TsRunReader &operator=(const TsRunReader &) = delete;

    // The next run, valid until the next call; false at the end or on a read error.
    bool next(const unsigned char **data, std::size_t *size);

private:
    struct Helper;
    bool readRun(int64_t run, std::vector<unsigned char> *buffer, std::size_t *size);

    InputFile &m_file;
    int64_t m_runs = 0;
    int64_t m_next = 0;
    std::vector<unsigned char> m_mine;
    Helper *m_helper = nullptr; // reads the odd runs when there is one
};

// Hands each whole packet to visit(packet), from the file's start to its end; a partial packet
// at the end is left alone. visit returns false to stop. twoReaders as TsRunReader's.
template <typename Visit>
void forEachTsPacket(InputFile &file, Visit &&visit, bool twoReaders = false)
{
    TsRunReader reader(file, twoReaders);
    const unsigned char *run = nullptr;
    std::size_t size = 0;
    while (reader.next(&run, &size)) {
        for (std::size_t at = 0; at < size; at += kTsPacketSize) {
            if (!visit(run + at))
                return;
        }
    }
}

// The PES units of one PID: a unit starts at a packet with the unit-start flag, its PES head is
// taken off, and it ends where the next one starts (or the stream ends). Units are bounded in
// size; what lies past the bound is dropped.
class PesAssembler
{
public:
    explicit PesAssembler(int pid, std::size_t maxUnit = 64 * 1024) : m_pid(pid), m_max(maxUnit) {}
    // Takes a packet of any PID; true when a unit was finished by it (then unit() holds it until
    // the next call).
    bool take(const unsigned char *packet);
    // Whether take would begin a new unit with the packet (and finish the one under way).
    bool startsUnit(const unsigned char *packet) const;
    // Finishes the unit under way at the stream's end; true when there was one.
    bool finish();
    const std::vector<unsigned char> &unit() const { return m_done; }
    int pid() const { return m_pid; }
    std::size_t maxUnit() const { return m_max; }

private:
    int m_pid;
    std::size_t m_max;
    bool m_open = false;
    std::vector<unsigned char> m_unit, m_done;
};

// The PES units of pid in stream order, at most maxUnits, as a PesAssembler fed every packet
// gives them. A large file is read in parts side by side (reading the cached file is what takes
// the time, and one core copies it no faster than `cat`): each part begins at its first unit
// start; the unit under way at its end goes on in the next. partCount: how many parts, 0 for one
// per core when the file is large enough to gain from it.
std::vector<std::vector<unsigned char>>
collectPesUnits(InputFile &file, int pid, std::size_t maxUnits, unsigned partCount = 0);
