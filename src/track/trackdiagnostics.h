#pragma once
#include <cstdio>

// The readers' printf-style progress and diagnostics. They carry no behaviour; the stream is
// standard output unless setTrackDiagnosticsStream chose another.
FILE *trackDiagnosticsStream();

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void trackDiag(const char *format, ...);
