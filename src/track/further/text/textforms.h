#pragma once
#include "nmeasentence.h"

#include <cstddef>

// The GPS text forms a subtitle track's samples hold, one decoder each. A decoder reads one
// sample's text (the length word already taken off) and, when the text is of its form, adds
// the samples it holds to track and returns true. time is the sample's start in the
// recording, duration its length: several fixes in one sample are spread over it.

enum class TextForm
{
    None,
    Nmea,         // NMEA 0183 sentences, with or without their '$'
    CommaLine,    // "A,ddmmyy,hhmmss.sss,ddmm.mmmm,N,dddmm.mmmm,E,speed,altM,ax,ay,az;"
    DashLine,     // "$G:yyyy-mm-dd hh:mm:ss-Ndd.dddd-Eddd.dddd-Sspeed" and "$GS:x,y,z"
    XorBinary,    // fixed fields of ASCII digits, every byte masked with 0xaa
    Substitution, // "X..Y..Z..G..$GPRMC,..." with its characters substituted, ending "*hh~"
    Shifted,      // NMEA sentences with every byte moved by a constant, between 0 and a line end
    KeyValue,     // "Lat:dd.dddd Lon:ddd.dddd Alt:..." pairs, no clock
    Telemetry,    // "..., GPS (lon, lat, alt), ..., H.S 2.10m/s, ..." lines, no clock
};

struct TextSample
{
    const unsigned char *data = nullptr;
    std::size_t size = 0;
    double time = 0;
    double duration = 0;
};

bool decodeNmeaSentences(const TextSample &s, DecodedTrack *track);
bool decodeCommaLine(const TextSample &s, DecodedTrack *track);
bool decodeDashLine(const TextSample &s, DecodedTrack *track);
bool decodeXorBinary(const TextSample &s, DecodedTrack *track);
bool decodeSubstitution(const TextSample &s, DecodedTrack *track);
bool decodeShifted(const TextSample &s, DecodedTrack *track);
bool decodeKeyValue(const TextSample &s, DecodedTrack *track);
bool decodeTelemetry(const TextSample &s, DecodedTrack *track);

// Tries the forms in turn, masked ones first (their bytes could pass for the plain forms' by
// chance); the form that decoded the sample, or None.
TextForm decodeTextSample(const TextSample &s, DecodedTrack *track);
// Words for the probe.
const char *textFormName(TextForm form);
// Whether the form's clock is the camera's local time.
bool textFormIsLocalTime(TextForm form);
// The forms without a clock of their own are timed by the movie's creation time: at its start
// for the key-value pairs, at its end for the telemetry lines.
enum class MovieClock
{
    None,
    FromStart,
    FromEnd,
};
MovieClock textFormMovieClock(TextForm form);
