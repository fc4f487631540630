#pragma once
// Builds small recordings byte by byte for the track reader tests.
#include "extracttrack.h"
#include "rmcinfo.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstring>

namespace fixtures {

inline QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char(v >> (24 - 8 * i));
    return b;
}
inline QByteArray be16(quint16 v)
{
    return be32(v).mid(2);
}
inline QByteArray be64(quint64 v)
{
    return be32(quint32(v >> 32)) + be32(quint32(v));
}
inline QByteArray le32(qint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char(quint32(v) >> (8 * i));
    return b;
}
inline QByteArray zeros(int n)
{
    return QByteArray(n, '\0');
}

inline QByteArray box(const char *type, const QByteArray &payload)
{
    return be32(quint32(8 + payload.size())) + QByteArray(type, 4) + payload;
}
// A box whose head claims the given size whatever follows.
inline QByteArray rawHead(quint32 size, const char *type)
{
    return be32(size) + QByteArray(type, 4);
}

inline QByteArray ftyp()
{
    return box("ftyp", QByteArray("isom") + be32(0x200) + "isommp41");
}

// Width and height as the integer parts of 16.16 values at the very end, as in a real header.
inline QByteArray tkhd(int width, int height)
{
    return box("tkhd", zeros(76) + be32(quint32(width) << 16) + be32(quint32(height) << 16));
}

inline QByteArray stsd(int channels, int bits, int rate)
{
    QByteArray p = zeros(56);
    p.replace(32, 2, be16(quint16(channels)));
    p.replace(34, 2, be16(quint16(bits)));
    p.replace(40, 2, be16(quint16(rate)));
    return box("stsd", p);
}

inline QByteArray stco(const QList<quint32> &offsets, int count = -1)
{
    QByteArray p = zeros(4) + be32(quint32(count < 0 ? offsets.size() : count));
    for (quint32 o : offsets)
        p += be32(o);
    return box("stco", p);
}

// A track with the usual nesting around its sample table.
inline QByteArray trak(const QByteArray &header, const QByteArray &stbl)
{
    const QByteArray minf =
        box("minf", box("smhd", zeros(8)) + box("dinf", zeros(4)) + box("stbl", stbl));
    return box("trak",
               header + box("mdia", box("mdhd", zeros(24)) + box("hdlr", zeros(24)) + minf));
}

inline RMCINFO sample(char status, float lat, float lon, int second = 0)
{
    RMCINFO r{};
    r.hour = 12;
    r.minute = 30;
    r.second = second;
    r.year = 24;
    r.month = 5;
    r.day = 16;
    r.status = status;
    r.latHemisphere = 'N';
    r.lonHemisphere = 'E';
    r.latitude = lat;
    r.longitude = lon;
    r.speed = 10;
    r.course = 90;
    r.gRawX = 1;
    r.gRawY = 2;
    r.gRawZ = 3;
    return r;
}

inline QByteArray bytes(const RMCINFO &r)
{
    QByteArray b(int(kRmcInfoSize), '\0');
    encodeRmcInfo(r, reinterpret_cast<unsigned char *>(b.data()));
    return b;
}

// The main line form, spelled out here rather than taken from the code under test.
inline QByteArray line(const RMCINFO &r)
{
    return QByteArray::fromStdString(
        QString::asprintf("%c20%02d%02d%02d%02d%02d%02d,%.6f,%c,%.6f,%c,%.2f,%.2f,%d,%d,%d\n",
                          r.status, r.year, r.month, r.day, r.hour, r.minute, r.second,
                          double(r.latitude), r.latHemisphere, double(r.longitude), r.lonHemisphere,
                          double(r.speed), double(r.course), r.gRawX, r.gRawY, r.gRawZ)
            .toStdString());
}

struct Result
{
    int code = 0;
    QByteArray text;
    TrackLayout layout = TrackLayout::None;
    int haisi = 0;
};

class Workspace
{
public:
    QString write(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(content) != content.size())
            return QString();
        return path;
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    Result extract(const QString &videoPath, int kind)
    {
        const QString textPath = m_dir.filePath(QStringLiteral("track.txt"));
        QFile::remove(textPath);
        Result r;
        r.code = extractTrack(videoPath.toLocal8Bit().constData(),
                              textPath.toLocal8Bit().constData(), kind);
        r.layout = lastTrackLayout();
        r.haisi = isHaisiTrack();
        QFile f(textPath);
        if (f.open(QIODevice::ReadOnly))
            r.text = f.readAll();
        return r;
    }
    Result extract(const QByteArray &content, int kind)
    {
        return extract(write(QStringLiteral("video.bin"), content), kind);
    }

private:
    QTemporaryDir m_dir;
};

} // namespace fixtures

Q_DECLARE_METATYPE(RMCINFO)
