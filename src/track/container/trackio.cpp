#include "trackio.h"
#include "rmcinfo.h"
#include "trackdiagnostics.h"

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cstdlib>
#include <cstring>

static_assert(sizeof(off_t) == 8, "the readers need 64-bit file offsets");

namespace {
namespace trackio {
// Large enough for any real index (a sample per second for weeks), small enough that a hostile
// count cannot make us allocate without bound.
constexpr int64_t kMaxTableEntries = 4 * 1024 * 1024;
// Containers nest a few levels (moov/trak/mdia/minf/stbl); anything deeper is damage.
constexpr std::size_t kMaxDepth = 16;
constexpr std::size_t kStreamBuffer = 64 * 1024;
} // namespace trackio
} // namespace

InputFile::InputFile(const VideoInput &input)
{
    using namespace trackio;
    if (input.data) {
        // Bytes in memory are read in place, without a stream.
        m_data = input.data;
        m_size = int64_t(input.size);
        return;
    }
    if (!input.path)
        return;
    m_file = std::fopen(input.path, "rb");
    if (!m_file)
        return;
    std::setvbuf(m_file, nullptr, _IOFBF, kStreamBuffer);
    if (fseeko(m_file, 0, SEEK_END) != 0 || (m_size = ftello(m_file)) < 0 ||
        fseeko(m_file, 0, SEEK_SET) != 0) {
        std::fclose(m_file);
        m_file = nullptr;
        m_size = 0;
    }
}

InputFile::~InputFile()
{
    using namespace trackio;
    if (m_file)
        std::fclose(m_file);
}

bool InputFile::readAt(int64_t offset, void *buffer, std::size_t length)
{
    using namespace trackio;
    if (!isOpen() || offset < 0 || offset > m_size || int64_t(length) > m_size - offset)
        return false;
    if (m_data) {
        std::memcpy(buffer, m_data + offset, length);
        m_position = offset + int64_t(length);
        return true;
    }
    if (fseeko(m_file, off_t(offset), SEEK_SET) != 0)
        return false;
    return std::fread(buffer, 1, length, m_file) == length;
}

bool InputFile::readApart(int64_t offset, void *buffer, std::size_t length)
{
    using namespace trackio;
    if (!isOpen() || offset < 0 || offset > m_size || int64_t(length) > m_size - offset)
        return false;
    if (m_data) {
        // Not through readAt: readApart may be called from several threads at once.
        std::memcpy(buffer, m_data + offset, length);
        return true;
    }
    auto *out = static_cast<unsigned char *>(buffer);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fileno(m_file), out + done, length - done,
                                    off_t(offset + int64_t(done)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += std::size_t(got);
    }
    return true;
}

bool InputFile::readNext(void *buffer, std::size_t length)
{
    using namespace trackio;
    return isOpen() && readSome(buffer, length) == length;
}

std::size_t InputFile::readSome(void *buffer, std::size_t length)
{
    using namespace trackio;
    if (m_data) {
        const std::size_t got = std::min<std::size_t>(length, std::size_t(m_size - m_position));
        std::memcpy(buffer, m_data + m_position, got);
        m_position += int64_t(got);
        return got;
    }
    return m_file ? std::fread(buffer, 1, length, m_file) : 0;
}

BoxWalker::BoxWalker(InputFile &file, int64_t start, int64_t end) : m_file(file), m_position(start)
{
    using namespace trackio;
    m_ends.push_back(std::min(end, file.size()));
}

bool BoxWalker::next(BoxHead *head)
{
    using namespace trackio;
    // Leave every container whose children have all been seen.
    while (m_ends.size() > 1 && m_position >= m_ends.back())
        m_ends.pop_back();
    const int64_t limit = m_ends.back();
    if (m_position < 0 || m_position >= limit || limit - m_position < 8)
        return false;

    unsigned char bytes[16];
    if (!m_file.readAt(m_position, bytes, 8))
        return false;
    head->offset = m_position;
    head->type = readBe32(bytes + 4);
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>(bytes[4 + i]);
        head->typeText[i] = (c >= 0x20 && c < 0x7f) ? c : '.';
    }
    head->typeText[4] = '\0';

    const uint32_t size32 = readBe32(bytes);
    head->headSize = 8;
    if (size32 == 0) {
        head->size = limit - m_position;
    } else if (size32 == 1) {
        if (limit - m_position < 16 || !m_file.readAt(m_position + 8, bytes + 8, 8))
            return false;
        const uint64_t large = readBe64(bytes + 8);
        trackDiag("atom size is 1, get it from largesize is %llu\n",
                  static_cast<unsigned long long>(large));
        if (large > uint64_t(limit - m_position))
            return false;
        head->size = int64_t(large);
        head->headSize = 16;
    } else {
        head->size = size32;
    }
    return head->size >= head->headSize && head->size <= limit - m_position;
}

bool BoxWalker::descend(const BoxHead &head)
{
    using namespace trackio;
    if (m_ends.size() >= kMaxDepth)
        return false;
    m_ends.push_back(head.end());
    m_position = head.offset + head.headSize;
    return true;
}

bool readOffsetTable(InputFile &file, const BoxHead &box, int64_t countOffset, int64_t firstOffset,
                     int entrySize, int32_t *count, std::vector<uint32_t> *entries)
{
    using namespace trackio;
    entries->clear();
    unsigned char countBytes[4];
    if (box.size < countOffset + 4 || !file.readAt(box.offset + countOffset, countBytes, 4))
        return false;
    *count = int32_t(readBe32(countBytes));
    if (*count <= 0)
        return true;

    const int64_t room = box.size > firstOffset ? (box.size - firstOffset) / entrySize : 0;
    const int64_t used = std::min<int64_t>({*count, room, kMaxTableEntries});
    if (used <= 0)
        return true;
    std::vector<unsigned char> table(std::size_t(used) * std::size_t(entrySize));
    if (!file.readAt(box.offset + firstOffset, table.data(), table.size()))
        return false;
    entries->reserve(std::size_t(used));
    for (int64_t i = 0; i < used; ++i)
        entries->push_back(readBe32(table.data() + i * entrySize));
    return true;
}
