#include "freegpsvariantparts.h"
#include "nmeasentence.h"

namespace freegpsvariant {
namespace {
namespace freegpstextvariants {
// "+ddd-ddd+ddd" at p (room permitting) as three signed hundredths of g.
bool signedTriple(const unsigned char *text, std::size_t length, std::size_t at, AccelSample *a)
{
    if (at + 12 > length)
        return false;
    double v[3];
    for (int i = 0; i < 3; ++i) {
        const unsigned char *p = text + at + std::size_t(i) * 4;
        const long n = digitsAt(p + 1, 3);
        if (!isSign(p[0]) || n < 0)
            return false;
        v[i] = (p[0] == '-' ? -n : n) / 100.0;
    }
    a->x = v[0];
    a->y = v[1];
    a->z = v[2];
    return true;
}
} // namespace freegpstextvariants
} // namespace

// Masked ASCII: from byte 18 on, every byte XOR 0xAA. Unmasked: 8 bytes of head, the date and
// time as 14 digits, one byte, a 15-byte label, the latitude hemisphere and 8 digits
// (ddmm.mmmm times 1e4), the longitude hemisphere and 9 digits, then either 8 digits of speed
// (km/h) or a signed altitude of 4 digits and 3 digits of speed; G-sensor "+ddd" triples
// (hundredths of g) follow at 65, or at 173 in the long form.
FreeGpsOutcome maskedText(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out)
{
    using namespace freegpstextvariants;
    static const unsigned char kSignature[] = {0xaa, 0xaa, 0xf2, 0xe1, 0xf0, 0xee, 0x54, 0x54};
    constexpr std::size_t kStart = 18;
    constexpr std::size_t kMaxText = 0x101;
    if (size < kStart + sizeof kSignature ||
        std::memcmp(block + kStart, kSignature, sizeof kSignature) != 0)
        return FreeGpsOutcome::NotThisVariant;
    out->variant = "listed by a gps index, masked ASCII text";
    const auto masked = [out] {
        out->problem = kTextMasked;
        return FreeGpsOutcome::Masked;
    };
    unsigned char text[kMaxText];
    const std::size_t n = size - kStart < kMaxText ? size - kStart : kMaxText;
    for (std::size_t i = 0; i < n; ++i)
        text[i] = block[kStart + i] ^ 0xaa;
    if (n < 57)
        return masked();
    const long year = digitsAt(text + 8, 4), month = digitsAt(text + 12, 2),
               day = digitsAt(text + 14, 2), hour = digitsAt(text + 16, 2),
               minute = digitsAt(text + 18, 2), second = digitsAt(text + 20, 2);
    const long lat = digitsAt(text + 39, 8), lon = digitsAt(text + 48, 9);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0 || lat < 0 ||
        lon < 0 || !isLatHemisphere(text[38]) || !isLonHemisphere(text[47]))
        return masked();
    GpsSample &s = out->sample;
    s.clock = clockOf(int(year), int(month), int(day), int(hour), int(minute), double(second));
    s.fix = true;
    s.latitude = degreesOf(lat / 1e4, text[38], 'S');
    s.longitude = degreesOf(lon / 1e4, text[47], 'W');
    const long speed = n >= 65 ? digitsAt(text + 57, 8) : -1;
    if (speed >= 0)
        s.speedKmh = double(speed);
    else if (n >= 65 && isSign(text[57]) && digitsAt(text + 58, 4) >= 0 &&
             digitsAt(text + 62, 3) >= 0)
        s.speedKmh = double(digitsAt(text + 62, 3));
    out->hasAccel =
        signedTriple(text, n, 65, &out->accel) || signedTriple(text, n, 173, &out->accel);
    return FreeGpsOutcome::Decoded;
}

// NMEA sentences in the block, after the camera's date and time as 14 digits at 52; the first
// RMC sentence gives the sample, else a GGA sentence the position alone. G-sensor counts (256
// per g) at 68 when a position was found.
FreeGpsOutcome nmeaText(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out)
{
    using namespace freegpstextvariants;
    if (size < 80 || digitsAt(block + 52, 14) < 0)
        return FreeGpsOutcome::NotThisVariant;
    out->variant = "listed by a gps index, NMEA text";
    const char *text = reinterpret_cast<const char *>(block);
    NmeaSentence rmc, gga;
    bool haveRmc = false, haveGga = false;
    for (std::size_t at = kHeadSize; at < size && !haveRmc; ++at) {
        if (text[at] != '$')
            continue;
        NmeaSentence sentence;
        if (!parseNmeaSentence(text + at, size - at, &sentence))
            continue;
        if (sentence.kind == NmeaSentence::Rmc) {
            rmc = sentence;
            haveRmc = true;
        } else if (!haveGga) {
            gga = sentence;
            haveGga = true;
        }
    }
    const NmeaSentence *used = haveRmc ? &rmc : haveGga ? &gga : nullptr;
    if (!used)
        return FreeGpsOutcome::Decoded;
    GpsSample &s = out->sample;
    s = nmeaSample(*used, s.time);
    if (s.fix) {
        out->accel = countsAt(block + 68, 256);
        out->hasAccel = true;
    }
    return FreeGpsOutcome::Decoded;
}

// An RMC sentence at 60 whose characters were each raised by 16.
FreeGpsOutcome offsetText(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out)
{
    using namespace freegpstextvariants;
    static const char kSignature[] = "4W`b]S<";
    constexpr std::size_t kStart = 60;
    constexpr std::size_t kLength = 80;
    if (size < 140 || std::memcmp(block + kStart, kSignature, sizeof kSignature - 1) != 0)
        return FreeGpsOutcome::NotThisVariant;
    out->variant = "listed by a gps index, NMEA text offset by 16";
    char text[kLength];
    for (std::size_t i = 0; i < kLength; ++i) {
        const unsigned char c = block[kStart + i];
        text[i] = char(c >= 16 ? c - 16 : 0);
    }
    NmeaSentence rmc;
    if (!parseNmeaSentence(text, kLength, &rmc) || rmc.kind != NmeaSentence::Rmc) {
        out->problem = kTextMasked;
        return FreeGpsOutcome::Masked;
    }
    out->sample = nmeaSample(rmc, out->sample.time);
    return FreeGpsOutcome::Decoded;
}

// Variants whose signature is known but whose content is not: the position (a status byte
// after the date, or 24 bytes in) or the whole text (a 0xAC size word) is masked.
FreeGpsOutcome maskedVariant(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out,
                             int which)
{
    using namespace freegpstextvariants;
    bool match = false;
    switch (which) {
    case 0: // status 24 bytes in
        match = size >= 27 && allZero(block + 21, 3) && block[24] == 'A' &&
                isLatHemisphere(block[25]) && isLonHemisphere(block[26]);
        break;
    case 1: // month and day words, then status, with the position in masked doubles
        match = size >= 80 && block[64] >= 1 && block[64] <= 12 && allZero(block + 65, 3) &&
                block[68] >= 1 && block[68] <= 31 && allZero(block + 69, 3) && block[72] == 'A' &&
                isLatHemisphere(block[73]) && isLonHemisphere(block[74]) && allZero(block + 75, 5);
        break;
    default: // the whole text masked
        match = size >= 128 && block[12] == 0xac && allZero(block + 13, 3);
        break;
    }
    if (!match)
        return FreeGpsOutcome::NotThisVariant;
    out->variant = "listed by a gps index, masked";
    out->problem = which == 2 ? kTextMasked : kPositionMasked;
    return FreeGpsOutcome::Masked;
}

} // namespace freegpsvariant
