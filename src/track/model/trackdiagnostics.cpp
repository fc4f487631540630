#include "trackdiagnostics.h"

#include <atomic>
#include <cstdarg>

namespace {
namespace trackdiagnostics {
// Null means standard output; stdout itself is not a constant we could start with.
std::atomic<FILE *> s_stream{nullptr};
std::atomic<bool> s_discard{false};
} // namespace trackdiagnostics
} // namespace

void discardTrackDiagnostics()
{
    using namespace trackdiagnostics;
    s_discard.store(true);
}

void setTrackDiagnosticsStream(FILE *stream)
{
    using namespace trackdiagnostics;
    s_stream.store(stream);
}

FILE *trackDiagnosticsStream()
{
    using namespace trackdiagnostics;
    FILE *stream = s_stream.load();
    return stream ? stream : stdout;
}

void trackDiag(const char *format, ...)
{
    using namespace trackdiagnostics;
    if (s_discard.load(std::memory_order_relaxed))
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(trackDiagnosticsStream(), format, args);
    va_end(args);
}
