#include "trackdiagnostics.h"
#include "extracttrack.h"

#include <atomic>
#include <cstdarg>

namespace {
// Null means standard output; stdout itself is not a constant we could start with.
std::atomic<FILE *> s_stream{nullptr};
} // namespace

void setTrackDiagnosticsStream(FILE *stream)
{
    s_stream.store(stream);
}

FILE *trackDiagnosticsStream()
{
    FILE *stream = s_stream.load();
    return stream ? stream : stdout;
}

void trackDiag(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(trackDiagnosticsStream(), format, args);
    va_end(args);
}
