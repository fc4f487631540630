#include "jumpfilter.h"
#include "trackdiagnostics.h"
#include "layoutreaders.h"

namespace {
namespace gps0reader {
constexpr uint32_t kGps0 = fourcc("gps0");
constexpr uint32_t kMoov = fourcc("moov");

bool isSkippedAtTop(uint32_t type)
{
    for (uint32_t skipped : {fourcc("ftyp"), fourcc("free"), fourcc("mdat"), fourcc("mvhd"),
                             fourcc("udta"), fourcc("tkhd"), fourcc("skip"), fourcc("trak"),
                             fourcc("IDIT"), fourcc("gpsa"), fourcc("gsea")}) {
        if (type == skipped)
            return true;
    }
    return false;
}

// Finds the "gps0" box; false at the end of the file, at damage or at an unknown box.
bool findGps0(InputFile &file, BoxHead *gps0)
{
    BoxWalker walker(file, 0, file.size());
    BoxHead head;
    while (walker.next(&head)) {
        trackDiag("atom is '%s'\n", head.typeText);
        if (head.type == kGps0) {
            *gps0 = head;
            return true;
        }
        if (head.type == kMoov) {
            trackDiag("moov size is %lld", static_cast<long long>(head.size));
            if (!walker.descend(head))
                return false;
        } else if (isSkippedAtTop(head.type)) {
            walker.skip(head);
        } else {
            return false;
        }
    }
    return false;
}

bool plausibleDate(const RMCINFO &info)
{
    return info.year <= 3000 && info.month >= 1 && info.month <= 12 && info.day >= 1 &&
           info.day <= 31;
}
} // namespace gps0reader
} // namespace

int readGps0Box(const VideoInput &video, const char *textPath)
{
    using namespace gps0reader;
    InputFile file(video);
    if (!file.isOpen())
        return -1;
    trackDiag("Filesize:%lld\n", static_cast<long long>(file.size()));

    BoxHead gps0;
    if (!findGps0(file, &gps0))
        return -1;
    TextFile text(textPath);
    if (!text.isOpen())
        return -1;

    const int64_t records = (gps0.size - gps0.headSize) / int64_t(kRmcInfoSize);
    JumpFilter filter;
    unsigned char bytes[kRmcInfoSize];
    for (int64_t i = 0; i < records; ++i) {
        if (!file.readAt(gps0.offset + gps0.headSize + i * int64_t(kRmcInfoSize), bytes,
                         sizeof bytes))
            break;
        RMCINFO info = decodeRmcInfo(bytes);
        if (!plausibleDate(info))
            continue;
        filter.apply(&info);
        writeTrackLine(text.stream(), info);
        text.lineWritten();
    }
    return 0;
}
