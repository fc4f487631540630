#pragma once
#include <QByteArray>
#include <QString>
#include <QVector>

// The recordings of a drive placed end to end: where each starts on the drive's clock.
struct RecordingSpan
{
    double offset = 0;
    double length = 0;
    double end() const { return offset + length; }
};

// A recording's length: its front channel's video, else the whole file's; 0 when unreadable.
double recordingSeconds(const QString &frontPath);

// The spans of recordings of these lengths, one after another.
QVector<RecordingSpan> spansOf(const QVector<double> &lengths);

// The indices of the spans [from, to) touches.
QVector<int> touchedSpans(const QVector<RecordingSpan> &spans, double from, double to);

// The recordings' tracks one after another, each padded (with lines without a fix) or cut to
// one line for each second of its recording, so a moment of the drive finds its recording's
// own second.
struct JoinedTrack
{
    QByteArray text;
    QVector<int> firstLine; // where each recording's lines begin
    QVector<RecordingSpan> spans;
    // The line of the moment t on the drive's clock.
    int lineAt(double t) const;
};
JoinedTrack joinTracks(const QVector<RecordingSpan> &spans, const QVector<QByteArray> &tracks);
