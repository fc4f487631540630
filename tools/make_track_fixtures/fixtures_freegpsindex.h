#pragma once
// What the writers of the "freeGPS " blocks listed by a "gps " index share: the date, the block
// head, the expected second of track text, and the writers of the text variants' blocks
// (fixtures_freegpsindextext.cpp).
#include "fixturekit.h"

namespace fixturekit {
namespace freegpsindex {

constexpr int kBlockSize = 256;
constexpr int kYear = 2024, kMonth = 6, kDay = 3;

// What one second of the track text holds, as the reader decodes it.
struct Expected
{
    bool fix = false;
    int year = kYear, month = kMonth, day = kDay, hour = 0, minute = 0, second = 0;
    double lat = 0, lon = 0; // signed degrees
    double kmh = 0, course = 0;
    double ax = 0, ay = 0, az = 0; // g
};

// ddmm.mmmm to degrees the way the reader converts it.
inline double degreesOf(double ddmm, bool negative)
{
    const double whole = std::trunc(ddmm / 100);
    const double d = whole + (ddmm - whole * 100) / 60;
    return negative ? -d : d;
}

// The samples of one fixture: no fix in the first two seconds, an 'A' without a position in the
// middle.
enum class Sample
{
    Fix,
    NoFix,
    ZeroPosition
};

inline QByteArray blockHead()
{
    QByteArray b;
    putBE32(b, kBlockSize);
    b.append("freeGPS ", 8);
    putLE32(b, kBlockSize - 12);
    return b;
}

inline QByteArray withChecksum(const QByteArray &body)
{
    unsigned sum = 0;
    for (char c : body.mid(1))
        sum ^= uchar(c);
    return body + format("*%02X\r\n", sum);
}

// What the fixtures of the index share (fixtures_freegpsindex.cpp): the second's line of track
// text, which seconds have no fix or a zero position, the route on the fixtures' date, the
// clock of a fix, a block padded to kBlockSize, and the video with the blocks appended to its
// media data and listed by an index in its movie box.
QByteArray expectedLine(const Expected &e);
Sample sampleAt(int i, int n);
std::vector<Fix> route(const City &city, int n, int startMinute);
Expected clockOf(const Fix &f);
QByteArray finished(QByteArray block);
void putLEDouble(QByteArray &b, double d);
QByteArray withIndexedBlocks(const QByteArray &video, const std::vector<QByteArray> &blocks);

// The writers of the text variants' blocks: each returns the block and fills the second's
// expected text.
QByteArray maskedBlock(const Fix &f, Sample kind, Expected &e);
QByteArray nmeaBlock(const Fix &f, Sample kind, Expected &e);
QByteArray offsetTextBlock(const Fix &f, Sample kind, Expected &e);

} // namespace freegpsindex
} // namespace fixturekit
