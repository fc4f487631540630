#pragma once
// The records of the LIGOGPSINFO family, wherever a file keeps them (freeGPS blocks, a "skip"
// atom, a trailer, "gpmd" samples, a "udta" atom of JSON): one decoder per place, fed record by
// record by the small reader of that place (ligoplaces.cpp), so that what one record teaches
// (the digit cipher, the fuzz scale) holds for the next, as in the cameras' files. The
// text records and their schemes are decoded in ligorecords.cpp, the JSON objects in ligojson.cpp.
#include "gpssample.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ligo {

// A directory starts with "LIGOGPSINFO\0", four bytes telling the fuzzing, and a counter; its
// records follow at kRecordsAt, kRecordSize bytes each.
constexpr char kTag[] = "LIGOGPSINFO";
constexpr std::size_t kTagSize = sizeof kTag; // with its zero byte
constexpr std::size_t kRecordsAt = 0x14;
constexpr std::size_t kRecordSize = 0x84;

// How the records of a file were stored, as far as seen.
enum Scheme : unsigned
{
    ClearText = 1u << 0,  // "yyyy/mm/dd hh:mm:ss N:... E:... km/h" behind a 4-byte counter
    Encrypted = 1u << 1,  // "####", a length, then bytes led by steering bytes
    Enciphered = 1u << 2, // "####", 4 bytes, then the text with its digits substituted
    Fuzzed = 1u << 3,     // positions swapped and scaled between latitude and longitude
    Json = 1u << 4,       // "LIGOGPSINFO {...}" objects
    DegreesMinutes = 1u << 5, // positions as ddmm.mmmm
    CameraClock = 1u << 6,    // JSON with the camera's own clock beside the receiver's
};

class Decoder
{
public:
    // The fuzz scale of one camera family's freeGPS blocks (head at 16, its size word 0x3f0, a
    // zero counter); once seen it holds for the rest of the file.
    void useThirdScale() { m_thirdScale = true; }

    // A directory: size bytes of data, "LIGOGPSINFO\0" at start. Records not fuzzed when
    // notFuzzed, or when the directory's head says so.
    void addDirectory(const unsigned char *data, std::size_t size, std::size_t start,
                      bool notFuzzed);
    // JSON objects "LIGOGPSINFO {...}" anywhere in size bytes of text.
    void addJsonText(const char *text, std::size_t size);

    // The samples, each timed by its clock's distance from the first's; accel where stored.
    DecodedTrack takeTrack();
    unsigned schemes() const { return m_schemes; }
    std::size_t records() const { return m_records; }
    // Records held back because the digit cipher was never learnt.
    std::size_t undeciphered() const { return m_cipher.cache.size(); }
    // The words for the probe: which schemes, e.g. "encrypted, fuzzed".
    std::string schemeWords() const;
    // Records passed over: neither decrypted nor enciphered, not of the text's form, or with a
    // position no unfuzzing explains.
    std::size_t damaged() const { return m_damaged; }

private:
    struct Parsed
    {
        GpsSample sample;
        bool hasAccel = false;
        AccelSample accel;
    };
    struct Cipher
    {
        bool learnt = false;
        char table[0x30] = {}; // for the characters 0x30-0x5f; '?' where not known
        std::vector<std::string> cache; // enciphered records waiting for the table
        std::vector<std::vector<char>> next = std::vector<std::vector<char>>(0x30);
        std::size_t keys = 0; // characters in next with a successor
        int previous = -1;    // the last seconds digit seen
    };
    enum Flags : unsigned
    {
        NotFuzzed = 1u << 0,
        SpeedInKmh = 1u << 1,
    };

    void addRecord(const unsigned char *record, bool notFuzzed);
    bool decipherRecord(const std::string &record, unsigned flags);
    bool learnCipher(const std::string &record);
    void parseText(const std::string &text, unsigned flags);
    void keep(const Parsed &p);

    Cipher m_cipher;
    bool m_thirdScale = false;
    unsigned m_schemes = 0;
    std::size_t m_records = 0;
    std::size_t m_damaged = 0;
    std::vector<Parsed> m_parsed;
    std::vector<unsigned> m_cachedFlags; // beside m_cipher.cache
};

// The steering-byte scheme: the bytes after "####" and the length word, to the text; false
// when they do not decrypt (then the record may be enciphered instead).
bool decryptRecord(const unsigned char *record, std::size_t size, std::string *text);

// A number's value as its text starts at from: digits, a point, digits (what Perl takes of
// "1.2.3"), an optional sign before them.
double leadingNumber(std::string_view s, std::size_t from = 0);

// Latitude and longitude as stored fuzzed (unsigned), back to where they were.
void unfuzz(double *lat, double *lon, double scale);

} // namespace ligo
