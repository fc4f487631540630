#pragma once
// The container room: bounded file access, MP4 box walks and sample tables (sampletable.h), the
// index the further readers share (videoindex.h), GPMF items and video durations. Above the track
// model, below every reader.
#include <cstdint>
#include <cstdio>
#include <vector>

// File access shared by the readers: buffered stdio (or bytes in memory), 64-bit offsets, every
// read bounded by the file size so a damaged or hostile file can neither make us read past its
// end nor seek wildly.

// Where a video's bytes come from: the file at path, or, when data is set, size bytes in memory
// (the fuzzers feed inputs that way, without a file per input).
struct VideoInput
{
    const char *path = nullptr;
    const unsigned char *data = nullptr;
    std::size_t size = 0;
};

class InputFile
{
public:
    explicit InputFile(const VideoInput &input);
    ~InputFile();
    InputFile(const InputFile &) = delete;
    InputFile &operator=(const InputFile &) = delete;

    bool isOpen() const { return m_file != nullptr || m_data != nullptr; }
    int64_t size() const { return m_size; }
    // Reads exactly length bytes at offset; false (and nothing promised about buffer) otherwise.
    bool readAt(int64_t offset, void *buffer, std::size_t length);
    // As readAt, straight from the file without the stream's buffer: for small reads far apart
    // (a frame's head every few dozen kilobytes), where filling the buffer each time would read
    // many times what is asked for. Safe to call from several threads at once.
    bool readApart(int64_t offset, void *buffer, std::size_t length);
    // Sequential read from the current position, for streams read packet by packet.
    bool readNext(void *buffer, std::size_t length);
    // Sequential read of up to length bytes; returns how many arrived (0 at the end).
    std::size_t readSome(void *buffer, std::size_t length);

private:
    FILE *m_file = nullptr;
    const unsigned char *m_data = nullptr; // bytes in memory instead of m_file
    int64_t m_position = 0;                // in m_data
    int64_t m_size = 0;
};

constexpr uint32_t fourcc(const char (&code)[5])
{
    return uint32_t(static_cast<unsigned char>(code[0])) << 24 |
           uint32_t(static_cast<unsigned char>(code[1])) << 16 |
           uint32_t(static_cast<unsigned char>(code[2])) << 8 |
           uint32_t(static_cast<unsigned char>(code[3]));
}

struct BoxHead
{
    int64_t offset = 0;
    int64_t size = 0;     // whole box, head included
    int64_t headSize = 8; // 16 with a large size
    uint32_t type = 0;
    char typeText[5] = {}; // for diagnostics; unprintable bytes shown as '.'
    int64_t end() const { return offset + size; }
};

// Walks boxes from a start offset up to an end. Every box must lie inside the container it was
// found in (or the range walked); a box of size 0 runs to the end of that container, size 1
// takes the 64-bit large size, any other size below the head ends the walk. Each step moves
// forward, and descending is limited in depth, so every walk ends.
class BoxWalker
{
public:
    BoxWalker(InputFile &file, int64_t start, int64_t end);
    // The next box head, or false at the end of the range or at a damaged head.
    bool next(BoxHead *head);
    void skip(const BoxHead &head) { m_position = head.end(); }
    // Moves to the first child; false when the containers nest implausibly deep.
    bool descend(const BoxHead &head);

private:
    InputFile &m_file;
    int64_t m_position;
    std::vector<int64_t> m_ends; // innermost container last
};

// Reads the 32-bit big-endian entries of an index table inside box: the count sits at
// countOffset, entries of entrySize bytes start at firstOffset and the first four bytes of each
// are taken. The count is clamped to what the box holds and to a sane maximum; a count of zero
// or below yields no entries. False only when the table could not be read at all.
bool readOffsetTable(InputFile &file, const BoxHead &box, int64_t countOffset, int64_t firstOffset,
                     int entrySize, int32_t *count, std::vector<uint32_t> *entries);
