#pragma once
#include "../support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

// Where the fixture generator wrote the recordings and, beside them, the track texts its route
// model expects. Where the reader works out speeds and courses from positions alone, which the
// route model does not, the expected text is kept with the tests instead.
inline QString trackFixture(const QString &name)
{
    return QStringLiteral(QMARL_TRACK_FIXTURES "/") + name;
}
inline QString expectedTrackPath(const QString &name)
{
    const QString derived = QStringLiteral(QMARL_SOURCE_DIR "/tests/data/track/") + name +
                            QStringLiteral(".txt");
    return QFile::exists(derived) ? derived
                                  : trackFixture(QStringLiteral("expected/") + name + QStringLiteral(".txt"));
}
// The generated recordings that hold a track.
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
// The generator's transport stream followed by null packets: large enough that reading it takes
// a while.
inline QByteArray slowTransportStream(int packets)
{
    QByteArray filler(188, '\xff');
    filler[0] = 0x47;
    filler[1] = 0x1f;
    return readBytes(trackFixture(QStringLiteral("tokyo.ts"))) + filler.repeated(packets);
}
