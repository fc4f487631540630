// Arbitrary text through the track line parser and through the GPX and CSV export built on it.
#include "fuzzsupport.h"
#include "lugpsmodel.h"
#include "trackexport.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceTrackOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    {
        const LuGPSModel sample(text.constData()); // stops at the first NUL, as a C line would
        if (sample.timeText[sizeof sample.timeText - 1] != '\0')
            std::abort();
    }
    TrackExportOptions options;
    options.haisiScale = size % 2;
    options.speedUnit = size % 3 ? TrackSpeedUnit::Knots : TrackSpeedUnit::KilometresPerHour;
    const QVector<TrackPoint> points = trackPointsFromText(text, options);
    (void)tracksToGpx({ExportedTrack{QStringLiteral("fuzz"), points}}, QStringLiteral("fuzz"));
    (void)trackPointsToCsv(points);
    return 0;
}
