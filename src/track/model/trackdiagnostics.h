#pragma once
#include <cstdio>

// The readers' printf-style progress and diagnostics. They carry no behaviour; the stream is
// standard output unless setTrackDiagnosticsStream chose another.
FILE *trackDiagnosticsStream();
// Where the diagnostics go: standard output unless changed (the command-line tool sends them to
// standard error, a fuzzer to a null stream).
void setTrackDiagnosticsStream(FILE *stream);
// Drops the diagnostics without formatting them (the fuzzers: formatting costs more than some
// inputs' whole extraction).
void discardTrackDiagnostics();

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void trackDiag(const char *format, ...);
