// Arbitrary file bytes through the extraction entry with every container kind, so that the
// chip-trailer, "gps0", MP4, MOV and transport-stream readers all see each input.
#include "fuzzsupport.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
std::string g_dir, g_video, g_text;

void removeScratch()
{
    ::unlink(g_video.c_str());
    ::unlink(g_text.c_str());
    ::rmdir(g_dir.c_str());
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceTrackOutput();
    char pattern[] = "/tmp/qmarl-fuzz-XXXXXX";
    if (!::mkdtemp(pattern))
        std::abort();
    g_dir = pattern;
    g_video = g_dir + "/input.bin";
    g_text = g_dir + "/track.txt";
    std::atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FILE *f = std::fopen(g_video.c_str(), "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
    for (int kind = 0; kind <= 2; ++kind) {
        const int result = extractTrack(g_video.c_str(), g_text.c_str(), kind);
        // What the entry reports must agree with what it returned.
        if (result < 0 && (lastTrackLayout() != TrackLayout::None || isHaisiTrack() != 0))
            std::abort();
        (void)trackLayoutName(lastTrackLayout());
    }
    return 0;
}
