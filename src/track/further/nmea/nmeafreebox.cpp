// NMEA text in a "gps " atom inside a top-level "free" box, each line led by the camera's clock
// in milliseconds: "[1719812345678]$GPRMC,...". The "sttm" atom beside it holds that clock at
// the start of the recording (8 bytes), so a stamp minus it is the sample's time into the
// recording. The "3gf " atom holds accelerometer readings of 10 bytes: milliseconds into the
// recording (32 bits), then three signed 16-bit values at 128 per g, all big-endian; a time of
// all ones ends the list. Lines without stamps are left to readNmeaAtom.
#include "furtherlayouts.h"
#include "nmeatext.h"
#include "rmcinfo.h"
#include "secondstrack.h"

namespace {
namespace nmeafreebox {
constexpr std::size_t kMaxText = std::size_t(16) << 20;
constexpr std::size_t kMaxAccelBytes = std::size_t(4) << 20;
constexpr std::size_t kAccelRecord = 10;
constexpr uint32_t kAccelEnd = 0xffffffffu;
constexpr double kAccelPerG = 128.0;
// A start time past the year 33000 is damage.
constexpr uint64_t kMaxStartTime = 1000000000000000ull;
// How far the first stamp may lie from the start time for the two to be the same clock: a
// minute before (a fix written while the recording opened) to two days after.
constexpr int64_t kStartBefore = 60 * 1000;
constexpr int64_t kStartAfter = int64_t(48) * 3600 * 1000;

bool readStartTime(InputFile &file, const BoxHead &atom, int64_t *start)
{
    unsigned char bytes[8];
    if (atom.size - atom.headSize < int64_t(sizeof bytes) ||
        !file.readAt(atom.offset + atom.headSize, bytes, sizeof bytes))
        return false;
    const uint64_t value = readBe64(bytes);
    if (value == 0 || value > kMaxStartTime)
        return false;
    *start = int64_t(value);
    return true;
}

void readAccel(InputFile &file, const BoxHead &atom, std::vector<AccelSample> *accel)
{
    std::string bytes;
    if (!readAtomBytes(file, atom, kMaxAccelBytes, &bytes, false))
        return;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    for (std::size_t at = 0; at + kAccelRecord <= bytes.size(); at += kAccelRecord) {
        const uint32_t ms = readBe32(p + at);
        if (ms == kAccelEnd)
            break;
        AccelSample a;
        a.time = ms / 1000.0;
        a.x = int16_t(readBe16(p + at + 4)) / kAccelPerG;
        a.y = int16_t(readBe16(p + at + 6)) / kAccelPerG;
        a.z = int16_t(readBe16(p + at + 8)) / kAccelPerG;
        accel->push_back(a);
    }
}

// The clock value at second 0 of the recording: the start time atom's when the stamps agree with
// it, else the first stamp.
int64_t recordingStart(InputFile &file, const NmeaFreeBox &box, int64_t firstStamp,
                       bool *fromStartTime)
{
    int64_t start = 0;
    *fromStartTime = box.hasStartTime && readStartTime(file, box.startTime, &start) &&
                     firstStamp >= start - kStartBefore && firstStamp <= start + kStartAfter;
    return *fromStartTime ? start : firstStamp;
}
} // namespace nmeafreebox
} // namespace

bool readNmeaFreeBox(VideoIndex &video, LayoutRead *read)
{
    using namespace nmeafreebox;
    InputFile &file = video.file();
    NmeaFreeBox box;
    if (!findNmeaFreeBox(video, &box))
        return false;
    std::string text;
    if (!readAtomBytes(file, box.gps, kMaxText, &text, true))
        return false;
    const std::vector<StampedRmc> sentences = rmcSentences(text);
    const StampedRmc *first = nullptr;
    for (const StampedRmc &s : sentences) {
        if (s.stamped) {
            first = &s;
            break;
        }
    }
    if (!first)
        return false;

    bool fromStartTime = false;
    const int64_t start = recordingStart(file, box, first->stamp, &fromStartTime);
    DecodedTrack &track = read->track;
    track.samples.reserve(sentences.size());
    for (const StampedRmc &s : sentences) {
        const double time = s.stamped ? double(s.stamp - start) / 1000.0 : -1.0;
        track.samples.push_back(nmeaSample(s.sentence, time));
    }
    if (box.hasAccel)
        readAccel(file, box.accel, &track.accel);

    read->variant = fromStartTime ? "stamped lines timed from the start time atom"
                                    : "stamped lines timed from the first stamp";
    if (!track.accel.empty())
        read->variant += ", accelerometer";
    if (!isWritableTrack(track)) {
        read->problem = "NMEA text in a gps atom inside a free box found, but no sentence "
                        "holds a date or a position";
        return false;
    }
    return true;
}
