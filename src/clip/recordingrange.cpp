#include "recordingrange.h"

#include "avhandles.h"

#include <QList>

#include <cmath>

double recordingSeconds(const QString &frontPath)
{
    QString why;
    const InputPtr input = openMediaHeader(frontPath, &why);
    if (!input)
        return 0;
    const int video = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video >= 0 && input->streams[video]->duration > 0)
        return toSeconds(input->streams[video]->duration, input->streams[video]->time_base);
    return input->duration > 0 ? double(input->duration) / AV_TIME_BASE : 0;
}

QVector<RecordingSpan> spansOf(const QVector<double> &lengths)
{
    QVector<RecordingSpan> spans;
    double offset = 0;
    for (const double length : lengths) {
        spans.push_back({offset, qMax(0.0, length)});
        offset += qMax(0.0, length);
    }
    return spans;
}

QVector<int> touchedSpans(const QVector<RecordingSpan> &spans, double from, double to)
{
    QVector<int> touched;
    for (int k = 0; k < spans.size(); ++k)
        if (spans[k].length > 0 && spans[k].offset < to && spans[k].end() > from)
            touched.push_back(k);
    return touched;
}

JoinedTrack joinTracks(const QVector<RecordingSpan> &spans, const QVector<QByteArray> &tracks)
{
    JoinedTrack joined;
    joined.spans = spans;
    int line = 0;
    for (int k = 0; k < spans.size(); ++k) {
        joined.firstLine.push_back(line);
        QList<QByteArray> own;
        if (k < tracks.size())
            for (const QByteArray &l : tracks[k].split('\n'))
                if (!l.trimmed().isEmpty())
                    own.push_back(l.trimmed());
        const int seconds = int(std::ceil(spans[k].length - 1e-6));
        for (int s = 0; s < seconds; ++s)
            joined.text += (s < own.size() ? own[s] : QByteArray("V")) + '\n';
        line += seconds;
    }
    return joined;
}

int JoinedTrack::lineAt(double t) const
{
    if (spans.isEmpty())
        return 0;
    int k = 0;
    while (k + 1 < spans.size() && t >= spans[k + 1].offset - 1e-6)
        ++k;
    const int seconds = qMax(1, int(std::ceil(spans[k].length - 1e-6)));
    return firstLine[k] + qBound(0, int(std::floor(t - spans[k].offset + 1e-6)), seconds - 1);
}
