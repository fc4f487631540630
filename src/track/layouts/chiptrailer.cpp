#include "rmcinfo.h"
#include "trackdiagnostics.h"
#include "layoutreaders.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {
namespace chiptrailer {
constexpr std::size_t kTrailerSize = 16;
constexpr int kLastMarkerPosition = 8;
constexpr char kMarker[] = "&&&&";
constexpr int64_t kSkipHeadSize = 28;
constexpr std::size_t kTextBlockSize = 132;
constexpr uint32_t kSkip = fourcc("skip");

// Truncates toward zero; values no int can hold are clamped rather than left undefined.
int truncateToInt(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= float(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= float(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(value);
}

int signedAxis(char sign, float magnitude)
{
    return truncateToInt(sign == '-' ? -magnitude : magnitude);
}

// Block start and data end from the marker in the last 16 bytes; false without a marker.
bool findTrailer(InputFile &file, int64_t *blockStart, int64_t *dataEnd)
{
    unsigned char trailer[kTrailerSize];
    if (file.size() < int64_t(kTrailerSize) ||
        !file.readAt(file.size() - int64_t(kTrailerSize), trailer, sizeof trailer))
        return false;
    int64_t start = 0;
    int64_t end = 0;
    // The last match wins.
    for (int i = 0; i <= kLastMarkerPosition; ++i) {
        if (std::memcmp(trailer + i, kMarker, 4) != 0)
            continue;
        const uint32_t size = readBe32(trailer + i + 4);
        trackDiag("size = %x\n", size);
        start = file.size() - int64_t(size) - i + 8;
        end = file.size() - i;
    }
    trackDiag("gps pos = %llx\n", static_cast<unsigned long long>(start));
    if (start <= 0)
        return false;
    *blockStart = start;
    *dataEnd = end;
    return true;
}
} // namespace chiptrailer
} // namespace

int readChipTrailer(const VideoInput &video, const char *textPath)
{
    using namespace chiptrailer;
    trackDiag("%s begin...\n", "procJLVideoFile");
    InputFile file(video);
    if (!file.isOpen())
        return -1;
    trackDiag("Filesize:%lld\n", static_cast<long long>(file.size()));

    int64_t blockStart = 0;
    int64_t dataEnd = 0;
    if (!findTrailer(file, &blockStart, &dataEnd))
        return -1;
    unsigned char head[kSkipHeadSize];
    if (!file.readAt(blockStart, head, sizeof head) || readBe32(head + 4) != kSkip)
        return -1;
    int64_t position = blockStart + kSkipHeadSize;
    trackDiag("packet size %x, real gps pos = %llx\n", readBe32(head),
              static_cast<unsigned long long>(position));

    TextFile text(textPath);
    if (!text.isOpen())
        return -1;
    char block[kTextBlockSize + 1];
    for (; position < dataEnd; position += int64_t(kTextBlockSize)) {
        if (!file.readAt(position, block, kTextBlockSize))
            break;
        block[kTextBlockSize] = '\0';
        trackDiag("gps buf: %s\n", block);

        ChipSample s{};
        char xSign = 0, ySign = 0, zSign = 0;
        float x = 0, y = 0, z = 0;
        std::sscanf(block, "%4d/%2d/%2d %2d:%2d:%2d %c:%f %c:%f %f km/h x:%c%f y:%c%f z:%c%f",
                    &s.year, &s.month, &s.day, &s.hour, &s.minute, &s.second, &s.latHemisphere,
                    &s.latitude, &s.lonHemisphere, &s.longitude, &s.speed, &xSign, &x, &ySign, &y,
                    &zSign, &z);
        if (s.year > 3000 || s.month < 1 || s.month > 12 || s.day < 1 || s.day > 31)
            break;
        s.status = (s.latitude != 0 || s.longitude != 0) ? 'A' : 'V';
        s.course = 0;
        s.gX = signedAxis(xSign, x);
        s.gY = signedAxis(ySign, y);
        s.gZ = signedAxis(zSign, z);
        writeChipTrackLine(text.stream(), s);
        text.lineWritten();
    }
    return text.lines() > 0 ? 0 : -1;
}
