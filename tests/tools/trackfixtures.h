#pragma once
#include <QString>

// Where the fixture generator wrote the recordings and where their expected track texts live.
inline QString trackFixture(const QString &name)
{
    return QStringLiteral(QMARL_TRACK_FIXTURES "/") + name;
}
inline QString expectedTrackPath(const QString &name)
{
    return QStringLiteral(QMARL_SOURCE_DIR "/tests/data/track/") + name + QStringLiteral(".txt");
}
