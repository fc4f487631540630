#include "furtherlayouts.h"

#include <iterator>

// One declaration and one row per layout; the reader lives in its own file under this folder.
bool readLigoGps(VideoIndex &video, LayoutRead *read);
bool readGpmfTrack(VideoIndex &video, LayoutRead *read);
bool readGpmdScaledPairs(VideoIndex &video, LayoutRead *read);
bool readSsmdTrack(VideoIndex &video, LayoutRead *read);
bool readDjmdTrack(VideoIndex &video, LayoutRead *read);
bool readCammTrack(VideoIndex &video, LayoutRead *read);
bool readSeiTelemetry(VideoIndex &video, LayoutRead *read);
bool readTextGgaDated(VideoIndex &video, LayoutRead *read);
bool readTextTrack(VideoIndex &video, LayoutRead *read);
bool readNmeaFreeBox(VideoIndex &video, LayoutRead *read);
bool readNmeaAtom(VideoIndex &video, LayoutRead *read);
bool readNmeaNbmt(VideoIndex &video, LayoutRead *read);
bool readGdatAtom(VideoIndex &video, LayoutRead *read);
bool readUuidGps(VideoIndex &video, LayoutRead *read);
bool readFmasBox(VideoIndex &video, LayoutRead *read);
bool readUdtaGps(VideoIndex &video, LayoutRead *read);
bool readRiffTrailer(VideoIndex &video, LayoutRead *read);
bool readGpsDataTrailer(VideoIndex &video, LayoutRead *read);
bool readTsTextRecords(VideoIndex &video, LayoutRead *read);
bool readTsBigEndianRecords(VideoIndex &video, LayoutRead *read);
bool readFreeGpsBlocks(VideoIndex &video, LayoutRead *read);
bool readGpmfScanned(VideoIndex &video, LayoutRead *read);

namespace {
namespace furtherlayouts {
// LIGOGPSINFO first: its records sit where other rows look too (gpmd samples, freeGPS blocks,
// the top-level udta), and its tag tells it apart before they misread the bytes.
constexpr FurtherLayout kFurtherLayouts[] = {
    {"ligogps", "a LIGOGPSINFO directory in freeGPS blocks, a skip atom, a trailer, gpmd samples, "
     "or LIGOGPSINFO JSON in a udta atom",
     FillsGps | FillsGSensor | OwnClock, readLigoGps},
    {"gpmf-track", "a timed-metadata track of format \"gpmd\" holding GPMF items",
     FillsGps | FillsGSensor | OwnClock, readGpmfTrack},
    {"gpmd-scaled-pairs", "a \"gpmd\" track of fixed records marked at byte 136",
     FillsGps | OwnClock, readGpmdScaledPairs},
    {"ssmd-track", "a timed-metadata track of format \"ssmd\" with 32-byte fixes",
     FillsGps | OwnClock, readSsmdTrack},
    {"djmd-track", "a timed-metadata track of format \"djmd\" holding protobuf messages",
     FillsGps | OwnClock, readDjmdTrack},
    {"camm-track", "a camera motion metadata track (format \"camm\")", FillsGps | FillsGSensor,
     readCammTrack},
    {"sei-telemetry",
     "H.264 SEI user data of the video track, led by 0x42 bytes and 0x69, holding a protobuf "
     "message",
     FillsGps | FillsGSensor | OwnClock, readSeiTelemetry},
    {"text-track-gga", "a subtitle track of RMC and GGA sentences, some seconds GGA alone",
     FillsGps | OwnClock, readTextGgaDated},
    {"text-track", "a subtitle or metadata track (\"text\", \"tx3g\", \"gpmd\") of GPS text",
     FillsGps | FillsGSensor | OwnClock, readTextTrack},
    {"nmea-free-box", "a \"gps \" atom of stamped NMEA lines in a top-level \"free\" box",
     FillsGps | FillsGSensor | OwnClock, readNmeaFreeBox},
    {"nmea-atom", "NMEA or camera text in a top-level \"udat\" atom or a \"free\" box",
     FillsGps | OwnClock, readNmeaAtom},
    {"nmea-nbmt", "RMC and GGA sentences in a top-level \"nbmt\" atom", FillsGps | OwnClock,
     readNmeaNbmt},
    {"gdat-json", "Base64 JSON of fixes in a top-level \"gdat\" atom", FillsGps | OwnClock,
     readGdatAtom},
    {"uuid-gps", "a \"uuid\" atom of the movie box with the GPS identifier", FillsGps | OwnClock,
     readUuidGps},
    {"fmas-box", "FMAS records in a timed-metadata track", FillsGps | FillsGSensor | OwnClock,
     readFmasBox},
    {"udta-gps", "GPS records in a top-level \"udta\" box or the movie's user data",
     FillsGps | FillsGSensor | OwnClock, readUdtaGps},
    {"riff-trailer", "a RIFF list of \"gps0\" and \"gsen\" chunks after the movie",
     FillsGps | FillsGSensor | OwnClock, readRiffTrailer},
    {"gpsdata-trailer", "\"GPSDATA--\" records after the movie box behind a run of 'C' bytes",
     FillsGps | FillsGSensor | OwnClock, readGpsDataTrailer},
    {"ts-text-records", "text records behind a tag word on PID 0x300 of a transport stream",
     FillsGps | FillsGSensor | OwnClock, readTsTextRecords},
    {"ts-s-records", "big-endian \"$S\" records on PID 0x300 of a transport stream",
     FillsGps | OwnClock, readTsBigEndianRecords},
    {"gpmf-scanned", "GPMF records in the media data that no track lists, found by scanning",
     FillsGps | OwnClock, readGpmfScanned},
    {"freegps-blocks", "\"freeGPS \" blocks, listed by a \"gps \" index or found by scanning",
     FillsGps | FillsGSensor | OwnClock, readFreeGpsBlocks},
};
} // namespace furtherlayouts
} // namespace

const FurtherLayout *furtherLayouts(std::size_t *count)
{
    using namespace furtherlayouts;
    *count = std::size(kFurtherLayouts);
    return kFurtherLayouts;
}
