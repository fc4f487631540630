#pragma once
#include <cstddef>
#include <cstdint>

// The key-length-value items of a GPMF sample: a four-character key, a one-byte value type (0
// for a container of further items), a one-byte structure size and a big-endian two-byte repeat
// count, then structure size times repeat bytes of payload padded to four bytes. Every item is
// checked against the container it was found in before its payload is handed out.

struct KlvItem
{
    uint32_t key = 0;
    uint8_t type = 0;       // 0: nested items; else a value type such as 'l', 'S', 'c', '?'
    uint8_t structSize = 0; // bytes per repeat
    uint16_t repeat = 0;
    const unsigned char *data = nullptr; // structSize * repeat bytes
    std::size_t size = 0;
    bool nested() const { return type == 0; }
};

class KlvWalker
{
public:
    KlvWalker(const unsigned char *data, std::size_t size) : m_data(data), m_size(size) {}
    // The next item; false at the end, at a zero key or at an item that overruns the container
    // (then damaged() says so).
    bool next(KlvItem *item);
    bool damaged() const { return m_damaged; }

private:
    const unsigned char *m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
    bool m_damaged = false;
};

// The elements of one structure of an item as numbers, in stored order: the item's own type, or
// for a '?' item the types listed by the container's TYPE string. At most maxValues are read;
// returns how many, 0 when the type is not numeric or the structure does not hold them.
int klvValues(const KlvItem &item, int repeat, const char *types, std::size_t typeCount,
              double *values, int maxValues);
// How many numeric elements one structure of the item holds (the row width of its values).
int klvElementCount(const KlvItem &item, const char *types, std::size_t typeCount);
