// Arbitrary bytes through q-marl-track's box lister, which must stay inside its parents.
#include "boxwalk.h"
#include "fuzzsupport.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const BoxWalk walk = walkBoxes(buffer, 256);
    if (walk.boxes.size() > 256)
        std::abort();
    for (const BoxEntry &b : walk.boxes)
        if (b.offset < 0 || b.size < 8 || b.offset + b.size > qint64(size))
            std::abort();
    return 0;
}
