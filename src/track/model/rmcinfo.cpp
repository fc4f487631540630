#include "rmcinfo.h"

#include <cstring>

namespace {
namespace rmcinfo {
float floatFromBits(uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint32_t bitsFromFloat(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void writeLe32(unsigned char *p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(value >> (8 * i));
}
} // namespace rmcinfo
} // namespace

RMCINFO decodeRmcInfo(const unsigned char *bytes)
{
    using namespace rmcinfo;
    RMCINFO info;
    info.hour = readLe32s(bytes + 0);
    info.minute = readLe32s(bytes + 4);
    info.second = readLe32s(bytes + 8);
    info.year = readLe32s(bytes + 12);
    info.month = readLe32s(bytes + 16);
    info.day = readLe32s(bytes + 20);
    info.status = static_cast<char>(bytes[24]);
    info.latHemisphere = static_cast<char>(bytes[25]);
    info.lonHemisphere = static_cast<char>(bytes[26]);
    info.reserved0 = static_cast<char>(bytes[27]);
    info.latitude = floatFromBits(readLe32(bytes + 28));
    info.longitude = floatFromBits(readLe32(bytes + 32));
    info.speed = floatFromBits(readLe32(bytes + 36));
    info.course = floatFromBits(readLe32(bytes + 40));
    std::memcpy(info.reserved1, bytes + 44, sizeof info.reserved1);
    info.gRawX = readLe32s(bytes + 52);
    info.gRawY = readLe32s(bytes + 56);
    info.gRawZ = readLe32s(bytes + 60);
    std::memcpy(info.reserved2, bytes + 64, sizeof info.reserved2);
    return info;
}

void encodeRmcInfo(const RMCINFO &info, unsigned char *bytes)
{
    using namespace rmcinfo;
    writeLe32(bytes + 0, uint32_t(info.hour));
    writeLe32(bytes + 4, uint32_t(info.minute));
    writeLe32(bytes + 8, uint32_t(info.second));
    writeLe32(bytes + 12, uint32_t(info.year));
    writeLe32(bytes + 16, uint32_t(info.month));
    writeLe32(bytes + 20, uint32_t(info.day));
    bytes[24] = static_cast<unsigned char>(info.status);
    bytes[25] = static_cast<unsigned char>(info.latHemisphere);
    bytes[26] = static_cast<unsigned char>(info.lonHemisphere);
    bytes[27] = static_cast<unsigned char>(info.reserved0);
    writeLe32(bytes + 28, bitsFromFloat(info.latitude));
    writeLe32(bytes + 32, bitsFromFloat(info.longitude));
    writeLe32(bytes + 36, bitsFromFloat(info.speed));
    writeLe32(bytes + 40, bitsFromFloat(info.course));
    std::memcpy(bytes + 44, info.reserved1, sizeof info.reserved1);
    writeLe32(bytes + 52, uint32_t(info.gRawX));
    writeLe32(bytes + 56, uint32_t(info.gRawY));
    writeLe32(bytes + 60, uint32_t(info.gRawZ));
    std::memcpy(bytes + 64, info.reserved2, sizeof info.reserved2);
}

int writeTrackLine(FILE *out, const RMCINFO &info)
{
    using namespace rmcinfo;
    return std::fprintf(out, "%c20%.2d%.2d%.2d%.2d%.2d%.2d,%f,%c,%f,%c,%.2f,%.2f,%d,%d,%d\n",
                        info.status, info.year, info.month, info.day, info.hour, info.minute,
                        info.second, double(info.latitude), info.latHemisphere,
                        double(info.longitude), info.lonHemisphere, double(info.speed),
                        double(info.course), info.gRawX, info.gRawY, info.gRawZ);
}

int writeTsTrackLine(FILE *out, const RMCINFO &info)
{
    using namespace rmcinfo;
    return std::fprintf(out, "%c20%.2d%.2d%.2d%.2d%.2d%.2d,%f,%c,%f,%c,%.2f,%.2f,%d,%d,%d,%f\n",
                        info.status, info.year, info.month, info.day, info.hour, info.minute,
                        info.second, double(info.latitude), info.latHemisphere,
                        double(info.longitude), info.lonHemisphere, double(info.speed),
                        double(info.course), info.gRawX, info.gRawY, info.gRawZ, 0.0);
}

int writeChipTrackLine(FILE *out, const ChipSample &s)
{
    using namespace rmcinfo;
    return std::fprintf(out, "%c%.4d%.2d%.2d%.2d%.2d%.2d,%f,%c,%f,%c,%.2f,%.2f,%d,%d,%d\n",
                        s.status, s.year, s.month, s.day, s.hour, s.minute, s.second,
                        double(s.latitude), s.latHemisphere, double(s.longitude), s.lonHemisphere,
                        double(s.speed), double(s.course), s.gX, s.gY, s.gZ);
}
