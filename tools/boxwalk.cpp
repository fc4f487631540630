#include "boxwalk.h"

#include <QIODevice>

namespace {
constexpr int kMaxDepth = 8;

bool isContainer(const QByteArray &type)
{
    static const char *const containers[] = {"moov", "trak", "mdia", "minf", "stbl", "edts", "dinf",
                                             "udta", "mvex", "moof", "traf", "mfra", "tref"};
    for (const char *c : containers)
        if (type == c)
            return true;
    return false;
}

bool printable(const QByteArray &type)
{
    for (char c : type)
        if (c < 0x20 || c > 0x7e)
            return false;
    return true;
}

quint64 bigEndian(const QByteArray &bytes, int at, int length)
{
    quint64 v = 0;
    for (int i = 0; i < length; ++i)
        v = v << 8 | quint8(bytes.at(at + i));
    return v;
}

struct Walker
{
    QIODevice &file;
    int maxEntries;
    BoxWalk result;

    bool stop(const QString &reason)
    {
        result.stopReason = reason;
        return false;
    }

    bool walk(qint64 begin, qint64 end, int depth)
    {
        qint64 at = begin;
        while (at < end) {
            if (end - at < 8)
                return stop(QStringLiteral("%1 stray bytes at offset %2").arg(end - at).arg(at));
            if (result.boxes.size() >= maxEntries)
                return stop(QStringLiteral("more than %1 boxes").arg(maxEntries));
            if (!file.seek(at))
                return stop(QStringLiteral("cannot seek to offset %1").arg(at));
            QByteArray head = file.read(16);
            if (head.size() < 8)
                return stop(QStringLiteral("short read at offset %1").arg(at));
            const QByteArray type = head.mid(4, 4);
            if (!printable(type))
                return stop(QStringLiteral("no box at offset %1").arg(at));
            quint64 size = bigEndian(head, 0, 4);
            qint64 headSize = 8;
            if (size == 1) {
                if (head.size() < 16)
                    return stop(QStringLiteral("short large-size head at offset %1").arg(at));
                size = bigEndian(head, 8, 8);
                headSize = 16;
            } else if (size == 0) {
                size = quint64(end - at); // runs to the end of its parent
            }
            if (size < quint64(headSize) || size > quint64(end - at))
                return stop(QStringLiteral("box '%1' at offset %2 has impossible size %3")
                                .arg(QString::fromLatin1(type))
                                .arg(at)
                                .arg(size));
            result.boxes.push_back(BoxEntry{depth, at, qint64(size), type});
            if (isContainer(type) && depth < kMaxDepth &&
                !walk(at + headSize, at + qint64(size), depth + 1))
                return false;
            at += qint64(size);
        }
        return true;
    }
};
} // namespace

BoxWalk walkBoxes(QIODevice &file, int maxEntries)
{
    Walker w{file, maxEntries, {}};
    w.walk(0, file.size(), 0);
    return w.result;
}
