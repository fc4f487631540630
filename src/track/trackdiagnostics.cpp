#include "trackdiagnostics.h"
#include "extracttrack.h"

#include <atomic>
#include <cstdarg>

namespace {
// Null means standard output; stdout itself is not a constant we could start with.
std::atomic<FILE *> s_stream{nullptr};
std::atomic<bool> s_discard{false};
} // namespace

void discardTrackDiagnostics()
{
    s_discard.store(true);
}

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
    if (s_discard.load(std::memory_order_relaxed))
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(trackDiagnosticsStream(), format, args);
    va_end(args);
}
