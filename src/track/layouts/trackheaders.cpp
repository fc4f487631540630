#include "rmcinfo.h"
#include "trackdiagnostics.h"
#include "layoutreaders.h"

bool isVideoTrackHeader(InputFile &file, const BoxHead &tkhd)
{
    // The values at size-10 and size-6 are the integer parts of the 16.16 width and height
    // (each read together with the neighbouring half word, which is 0 in a standard box).
    int32_t width = 0;
    int32_t height = 0;
    unsigned char bytes[8];
    if (tkhd.size >= tkhd.headSize + 10 && file.readAt(tkhd.end() - 10, bytes, sizeof bytes)) {
        width = int32_t(readBe32(bytes));
        height = int32_t(readBe32(bytes + 4));
    }
    trackDiag("frameWidth %d, frameHeight %d", width, height);
    return width >= 1 && height >= 1;
}

bool audioGpsOffset(InputFile &file, const BoxHead &stsd, int64_t *gpsOffset)
{
    unsigned char bytes[50];
    if (stsd.size < int64_t(sizeof bytes) || !file.readAt(stsd.offset, bytes, sizeof bytes))
        return false;
    const int channels = readBe16(bytes + 40);
    const int sampleBits = readBe16(bytes + 42);
    const int sampleRate = readBe16(bytes + 48);
    // 64-bit: three 16-bit factors overflow an int.
    *gpsOffset = int64_t(channels) * sampleBits * sampleRate / 8000 * 1024;
    trackDiag("channelNo %d, sampleBit %d, sampleRate %d, gpsOffset %lld\n", channels, sampleBits,
              sampleRate, static_cast<long long>(*gpsOffset));
    return true;
}
