#include "clipestimate.h"

#include "recordingrange.h"

#include <QFileInfo>

#include <cmath>

namespace {
// H.264 at 1280x720, CRF 23, "veryfast", of camera pictures: about 2.5 Mbit/s; a strip and
// panes of a moving road keep it there. Other sizes scale with the pixel count.
constexpr double kComposedBytesPerPixelSecond = 2.5e6 / 8 / (1280.0 * 720.0);
} // namespace

ClipEstimate estimateClip(const ClipRequest &request)
{
    ClipEstimate estimate;
    QVector<ClipRecording> recordings = request.recordings;
    if (recordings.isEmpty())
        recordings.push_back({request.channels, 0, false, {}});
    QVector<double> lengths;
    for (const ClipRecording &r : qAsConst(recordings))
        lengths << (r.seconds > 0 ? r.seconds
                    : r.channels.isEmpty() ? 0
                                           : recordingSeconds(r.channels.front()));
    const QVector<RecordingSpan> spans = spansOf(lengths);
    const double from = qMax(0.0, request.from);
    const double to = spans.isEmpty() ? from : qMin(request.to, spans.last().end());
    if (!(to > from))
        return estimate;
    estimate.rangeSeconds = to - from;
    estimate.composedSeconds = estimate.rangeSeconds / qMax(1, request.speed);
    if (request.composed)
        estimate.composedBytes = qint64(kComposedBytesPerPixelSecond * request.size.width() *
                                        request.size.height() * estimate.composedSeconds);
    if (!request.copyChannels)
        return estimate;
    for (const int k : touchedSpans(spans, from, to)) {
        const double part = (qMin(to, spans[k].end()) - qMax(from, spans[k].offset)) /
                            spans[k].length;
        for (const QString &path : recordings[k].channels)
            estimate.copyBytes += qint64(std::llround(QFileInfo(path).size() * part));
    }
    return estimate;
}
