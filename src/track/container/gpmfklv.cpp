#include "gpmfklv.h"
#include "rmcinfo.h"

#include <cstring>

namespace {
namespace gpmfklv {
constexpr std::size_t kHeadSize = 8;

// Bytes of one element of a value type; 0 for types that are not numbers.
int elementSize(char type)
{
    switch (type) {
    case 'b':
    case 'B':
        return 1;
    case 's':
    case 'S':
        return 2;
    case 'l':
    case 'L':
    case 'f':
    case 'q':
        return 4;
    case 'd':
    case 'j':
    case 'J':
    case 'Q':
        return 8;
    default:
        return 0;
    }
}

double element(char type, const unsigned char *p)
{
    switch (type) {
    case 'b':
        return double(static_cast<signed char>(p[0]));
    case 'B':
        return double(p[0]);
    case 's':
        return double(int16_t(readBe16(p)));
    case 'S':
        return double(readBe16(p));
    case 'l':
        return double(int32_t(readBe32(p)));
    case 'L':
        return double(readBe32(p));
    case 'q':
        return double(int32_t(readBe32(p))) / 65536.0; // 16.16 fixed point
    case 'f': {
        const uint32_t bits = readBe32(p);
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return double(v);
    }
    case 'd': {
        const uint64_t bits = readBe64(p);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    case 'j':
        return double(int64_t(readBe64(p)));
    case 'J':
        return double(readBe64(p));
    case 'Q':
        return double(int64_t(readBe64(p))) / 4294967296.0; // 32.32 fixed point
    default:
        return 0;
    }
}

// The element types of one structure: the item's own type repeated to fill the structure, or
// the TYPE string for a '?' item. False when the structure cannot be read as numbers.
bool layoutOf(const KlvItem &item, const char *types, std::size_t typeCount, char *layout,
              int *count, int maxCount)
{
    *count = 0;
    if (item.type == '?') {
        std::size_t used = 0;
        for (std::size_t i = 0; i < typeCount && types[i] != '\0'; ++i) {
            const int size = elementSize(types[i]);
            if (size == 0 || *count >= maxCount || used + std::size_t(size) > item.structSize)
                return false;
            used += std::size_t(size);
            layout[(*count)++] = types[i];
        }
        return *count > 0;
    }
    const int size = elementSize(char(item.type));
    if (size == 0 || item.structSize == 0 || item.structSize % size != 0)
        return false;
    const int n = item.structSize / size;
    if (n > maxCount)
        return false;
    for (int i = 0; i < n; ++i)
        layout[i] = char(item.type);
    *count = n;
    return true;
}

constexpr int kMaxElements = 64;
} // namespace gpmfklv
} // namespace

bool KlvWalker::next(KlvItem *item)
{
    using namespace gpmfklv;
    if (m_damaged || m_at + kHeadSize > m_size)
        return false;
    const unsigned char *head = m_data + m_at;
    const uint32_t key = readBe32(head);
    if (key == 0)
        return false;
    const std::size_t size = std::size_t(head[5]) * readBe16(head + 6);
    if (size > m_size - m_at - kHeadSize) {
        m_damaged = true;
        return false;
    }
    item->key = key;
    item->type = head[4];
    item->structSize = head[5];
    item->repeat = readBe16(head + 6);
    item->data = head + kHeadSize;
    item->size = size;
    // The padding of the last item may be cut off by the container's end.
    const std::size_t padded = (size + 3) & ~std::size_t(3);
    m_at += kHeadSize + padded;
    return true;
}

int klvElementCount(const KlvItem &item, const char *types, std::size_t typeCount)
{
    using namespace gpmfklv;
    char layout[kMaxElements];
    int count = 0;
    return layoutOf(item, types, typeCount, layout, &count, kMaxElements) ? count : 0;
}

int klvValues(const KlvItem &item, int repeat, const char *types, std::size_t typeCount,
              double *values, int maxValues)
{
    using namespace gpmfklv;
    char layout[kMaxElements];
    int count = 0;
    if (repeat < 0 || repeat >= item.repeat ||
        !layoutOf(item, types, typeCount, layout, &count, kMaxElements))
        return 0;
    const unsigned char *p = item.data + std::size_t(repeat) * item.structSize;
    int read = 0;
    for (int i = 0; i < count && read < maxValues; ++i) {
        values[read++] = element(layout[i], p);
        p += elementSize(layout[i]);
    }
    return read;
}
