#pragma once
#include <QByteArray>
#include <QString>
#include <QVector>

class QIODevice;

// One box of an ISO base media (MP4/MOV) file as found by walkBoxes.
struct BoxEntry
{
    int depth = 0;
    qint64 offset = 0;
    qint64 size = 0;
    QByteArray type;
};

struct BoxWalk
{
    QVector<BoxEntry> boxes;
    QString stopReason; // empty when every level was walked to its end
};

// Lists the boxes of a file, descending into the usual containers. Never trusts a size: a box
// that would run past its parent, a head shorter than 8 bytes or a type that is not four
// printable characters ends the walk with a reason. Bounded in depth and in entries.
BoxWalk walkBoxes(QIODevice &file, int maxEntries = 4096);
