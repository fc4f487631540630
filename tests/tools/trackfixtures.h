#pragma once
#include "../support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

// Where the fixture generator wrote a recording; its expected track text lies beside it.
inline QString trackFixture(const QString &name)
{
    return QStringLiteral(QMARL_TRACK_FIXTURES "/") + name;
}
inline QString expectedTrackPath(const QString &name)
{
    return trackFixture(QStringLiteral("expected/") + name + QStringLiteral(".txt"));
}
// Course or speed a layout lacks (in some seconds or all) is worked out by the reader but left
// at 0.00 in the route model.
inline bool derivesSpeedOrCourse(const QString &name)
{
    static const QStringList derives{"camm-positions.mp4", "gpmf-gps5.mp4", "gpmf-gps9.mp4",
                                     "texttrack-dash.mp4", "texttrack-keyvalue.mp4",
                                     "texttrack-telemetry.mp4", "nmea-nbmt.mp4",
                                     "texttrack-gga.mp4", "gpsdata-trailer.mov",
                                     "ssmd-track.mp4", "djmd-track.mp4", "gpmf-scanned.mp4",
                                     "ligo-freegps-enciphered.mp4", "ligo-udta-json.mp4",
                                     "ligo-udta-json-utc.mp4", "ligo-udta-offset.mp4",
                                     "freegps-index-tenths.mp4"};
    return derives.contains(name);
}
// A text read is compared with the worked-out figures set to 0.00 too, once seen there.
inline QByteArray asExpected(const QString &name, const QByteArray &read, const QByteArray &expected)
{
    if (!derivesSpeedOrCourse(name))
        return read;
    QList<QByteArray> lines = read.split('\n');
    const QList<QByteArray> wanted = expected.split('\n');
    bool workedOut = false;
    for (int i = 0; i < lines.size() && i < wanted.size(); ++i) {
        QList<QByteArray> got = lines[i].split(',');
        const QList<QByteArray> want = wanted[i].split(',');
        for (int f : {5, 6})
            if (got.size() > f && want.size() > f && want[f] == "0.00") {
                workedOut = workedOut || (got[0].startsWith('A') && got[f] != "0.00");
                got[f] = "0.00";
            }
        lines[i] = got.join(',');
    }
    const int fixes = read.count("\nA") + (read.startsWith('A') ? 1 : 0);
    return workedOut || fixes < 2 ? lines.join('\n') : QByteArray("no speed or course worked out");
}
inline QStringList fixturesWithTrack()
{
    QStringList names;
    const QDir expected(trackFixture(QStringLiteral("expected")));
    for (const QFileInfo &text : expected.entryInfoList({QStringLiteral("*.txt")}, QDir::Files))
        if (text.size() > 0)
            names << text.fileName().chopped(4);
    return names;
}
// Lines (seconds) of a fixture's expected track.
inline int expectedSamples(const QString &name)
{
    return int(readBytes(expectedTrackPath(name)).count('\n'));
}
// The generator's stream padded with null packets, so that reading it takes a while.
inline QByteArray slowTransportStream(int packets)
{
    QByteArray filler(188, '\xff');
    filler[0] = 0x47;
    filler[1] = 0x1f;
    return readBytes(trackFixture(QStringLiteral("tokyo.ts"))) + filler.repeated(packets);
}
