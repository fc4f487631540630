#pragma once
#include "gpssample.h"

// Samples whose time is not known are placed one second apart after the last known one (the
// cameras that do not stamp them write one a second). Then, for every whole second s of the
// recording from 0 to the last sample, the line holds the sample nearest s within half a
// second; a second without one is a no-fix line whose clock is the nearest sample's clock moved
// by the difference. The acceleration nearest each second fills the G-sensor fields (256 counts
// per g). The main line form is used, with the coordinates to the full six decimals of minutes.
// A fix without a recorded speed or course gets the one of the way from the previous second's
// fix (or to the next one's, for the first), over at most three seconds.
// Returns the number of lines written, or -1 when no sample carries a fix or a clock (nothing
// is written then) or the text file cannot be opened.
int writeSecondsTrack(const DecodedTrack &track, const char *textPath);
// Whether writeSecondsTrack would write anything: some sample within the two days a file may
// span carries a fix or a clock.
bool isWritableTrack(const DecodedTrack &track);
