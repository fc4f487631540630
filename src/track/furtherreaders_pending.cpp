#include "freegpsblocks.h"

// Layouts whose readers are still being written: they find nothing yet.
int readIndexedFreeGps(const VideoInput &, const char *, TrackReport *) { return -1; }
int readScannedFreeGps(const VideoInput &, const char *, TrackReport *) { return -1; }
int readNmeaFreeBox(const VideoInput &, const char *, TrackReport *) { return -1; }
int readGpmfTrack(const VideoInput &, const char *, TrackReport *) { return -1; }
int readTextTrack(const VideoInput &, const char *, TrackReport *) { return -1; }
int readNmeaAtom(const VideoInput &, const char *, TrackReport *) { return -1; }
int readCammTrack(const VideoInput &, const char *, TrackReport *) { return -1; }
int readUuidGps(const VideoInput &, const char *, TrackReport *) { return -1; }
int readFmasBox(const VideoInput &, const char *, TrackReport *) { return -1; }
int readUdtaGps(const VideoInput &, const char *, TrackReport *) { return -1; }
int readRiffTrailer(const VideoInput &, const char *, TrackReport *) { return -1; }
