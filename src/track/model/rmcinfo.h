#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

// The binary sample the camera firmware stores (80 bytes, little-endian on disk). Decode it with
// decodeRmcInfo rather than copying bytes over it, so the host's byte order does not matter.
struct RMCINFO
{
    int32_t hour;
    int32_t minute;
    int32_t second;
    int32_t year; // two digits, after 2000
    int32_t month;
    int32_t day;
    char status; // 'A' valid fix, 'V' none
    char latHemisphere;
    char lonHemisphere;
    char reserved0;
    float latitude;  // ddmm.mmmm, unsigned
    float longitude; // dddmm.mmmm, unsigned
    float speed;     // knots
    float course;    // degrees
    uint8_t reserved1[8];
    int32_t gRawX;
    int32_t gRawY;
    int32_t gRawZ;
    uint8_t reserved2[16];
};
static_assert(sizeof(RMCINFO) == 80, "RMCINFO mirrors the 80-byte record on disk");

constexpr std::size_t kRmcInfoSize = 80;
// Where the status character sits inside the record.
constexpr std::size_t kRmcInfoStatusOffset = 24;

RMCINFO decodeRmcInfo(const unsigned char *bytes);
// The inverse, for tools and tests that build files.
void encodeRmcInfo(const RMCINFO &info, unsigned char *bytes);

// Little- and big-endian field access on raw bytes.
inline uint32_t readLe32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t readLe32s(const unsigned char *p)
{
    return int32_t(readLe32(p));
}
inline uint32_t readBe32(const unsigned char *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
inline uint16_t readBe16(const unsigned char *p)
{
    return uint16_t(p[0] << 8 | p[1]);
}
inline uint64_t readBe64(const unsigned char *p)
{
    return uint64_t(readBe32(p)) << 32 | readBe32(p + 4);
}

// The track text line in its three writer forms. Each returns what fprintf returns.
// Main form: "A20240516123000,2232.500000,N,11400.000000,E,10.00,90.00,1,2,3"
int writeTrackLine(FILE *out, const RMCINFO &info);
// Transport-stream form: the main form plus ",0.000000".
int writeTsTrackLine(FILE *out, const RMCINFO &info);
// Chip-trailer form: four-digit year printed whole.
struct ChipSample
{
    char status;
    int year; // four digits
    int month;
    int day;
    int hour;
    int minute;
    int second;
    float latitude;
    char latHemisphere;
    float longitude;
    char lonHemisphere;
    float speed;
    float course;
    int gX;
    int gY;
    int gZ;
};
int writeChipTrackLine(FILE *out, const ChipSample &sample);
