// Byte builders for the track tests that build their recordings byte by byte.
#pragma once

#include "furtherlayouts.h"
#include "secondstrack.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QtTest>
#include <QVector>

#include <cmath>
#include <cstring>

namespace bytebuilders {

inline QByteArray be16(quint16 v)
{
    return QByteArray(1, char(v >> 8)) + char(v);
}
inline QByteArray be32(quint32 v)
{
    return be16(quint16(v >> 16)) + be16(quint16(v));
}
inline QByteArray be64(quint64 v)
{
    return be32(quint32(v >> 32)) + be32(quint32(v));
}
inline QByteArray le32(quint32 v)
{
    return QByteArray(1, char(v)) + char(v >> 8) + char(v >> 16) + char(v >> 24);
}
inline QByteArray leDouble(double d)
{
    quint64 v;
    std::memcpy(&v, &d, 8);
    return le32(quint32(v)) + le32(quint32(v >> 32));
}
inline QByteArray leFloat(float f)
{
    quint32 v;
    std::memcpy(&v, &f, 4);
    return le32(v);
}

inline void setLe32(QByteArray &b, int at, quint32 v)
{
    b.replace(at, 4, le32(v));
}

inline QByteArray patched(QByteArray b, int at, const QByteArray &bytes)
{
    return b.replace(at, bytes.size(), bytes);
}

inline QByteArray box(const char *type, const QByteArray &payload)
{
    return be32(quint32(8 + payload.size())) + QByteArray(type, 4) + payload;
}
// A box with version and flags zero.
inline QByteArray full(const char *type, const QByteArray &payload)
{
    return box(type, be32(0) + payload);
}
// Major brand isom, then the given minor version and compatible brands.
inline QByteArray ftyp(quint32 minor = 0, const QByteArray &compatible = "isom")
{
    return box("ftyp", QByteArray("isom") + be32(minor) + compatible);
}

struct TrackDamage
{
    quint32 sampleCount = 0; // stsz count; 0: the real count
    quint32 chunkShift = 0;  // added to every chunk offset
    QByteArray ctts;         // a composition offset box's body (version first), when given
};

// ftyp, a movie with one track of handler and format, a sample a second and a chunk, then mdat.
// entry: what the sample description holds after its format (a plain sample entry's head).
inline QByteArray oneTrackFile(const QList<QByteArray> &samples, const char *format,
                               const char *handler, const TrackDamage &damage = {},
                               const QByteArray &entry = QByteArray(6, '\0') + be16(1))
{
    const quint32 n = quint32(samples.size());
    QByteArray stsz = be32(0) + be32(damage.sampleCount ? damage.sampleCount : n);
    for (const QByteArray &s : samples)
        stsz += be32(quint32(s.size()));
    const auto moovWith = [&](quint32 dataAt) {
        QByteArray stco = be32(n);
        quint32 at = dataAt;
        for (const QByteArray &s : samples) {
            stco += be32(at + damage.chunkShift);
            at += quint32(s.size());
        }
        const QByteArray stbl =
            box("stbl", full("stsd", be32(1) + box(format, entry)) +
                            full("stts", be32(1) + be32(n) + be32(1000)) +
                            (damage.ctts.isEmpty() ? QByteArray() : box("ctts", damage.ctts)) +
                            full("stsc", be32(1) + be32(1) + be32(1) + be32(1)) +
                            full("stsz", stsz) + full("stco", stco));
        const QByteArray mdia =
            box("mdia", full("mdhd", be32(0) + be32(0) + be32(1000) + be32(n * 1000) + be32(0)) +
                            full("hdlr", be32(0) + handler + QByteArray(13, '\0')) +
                            box("minf", full("nmhd", {}) + stbl));
        return box("moov", box("trak", full("tkhd", QByteArray(80, '\0')) + mdia));
    };
    const int moovSize = moovWith(0).size();
    QByteArray data;
    for (const QByteArray &s : samples)
        data += s;
    return ftyp() + moovWith(quint32(ftyp().size() + moovSize + 8)) + box("mdat", data);
}

// The body of an "avc1" sample entry: a 1920×1080 visual sample entry and an "avcC" box whose
// NAL units are length-prefixed with lengthSize bytes.
inline QByteArray avc1Entry(int lengthSize = 4)
{
    const QByteArray sps("\x67\x64\x00\x28\xac", 5), pps("\x68\xee\x3c\x80", 4);
    const QByteArray avcC = QByteArray("\x01\x64\x00\x28", 4) + char(0xfc | (lengthSize - 1)) +
                            char(0xe1) + be16(quint16(sps.size())) + sps + char(1) +
                            be16(quint16(pps.size())) + pps;
    return QByteArray(6, '\0') + be16(1) + QByteArray(16, '\0') + be16(1920) + be16(1080) +
           be32(0x00480000) + be32(0x00480000) + be32(0) + be16(1) + QByteArray(32, '\0') +
           be16(0x18) + be16(0xffff) + box("avcC", avcC);
}

// One access unit: the NAL units (each from its header byte on), each after its length in
// lengthSize bytes.
inline QByteArray accessUnit(const QList<QByteArray> &units, int lengthSize = 4)
{
    QByteArray b;
    for (const QByteArray &unit : units)
        b += be32(quint32(unit.size())).right(lengthSize) + unit;
    return b;
}

// A NAL unit from its header byte and payload, with emulation-prevention bytes put in: 03
// after two zero bytes that a byte of 0 to 3 follows.
inline QByteArray nalUnit(int header, const QByteArray &payload)
{
    QByteArray b(1, char(header));
    int zeros = 0;
    for (const char c : payload) {
        if (zeros >= 2 && quint8(c) <= 3) {
            b += '\x03';
            zeros = 0;
        }
        b += c;
        zeros = c == 0 ? zeros + 1 : 0;
    }
    return b;
}

// An SEI message: its type and size each coded as 0xFF bytes of 255 and a last byte.
inline QByteArray seiMessage(int type, const QByteArray &payload)
{
    const auto number = [](int v) -> QByteArray {
        return QByteArray(v / 255, '\xff') + char(v % 255);
    };
    return number(type) + number(payload.size()) + payload;
}

// An SEI NAL unit of messages, with its stop bit.
inline QByteArray seiUnit(const QByteArray &messages)
{
    return nalUnit(6, messages + '\x80');
}

// ftyp, a movie with one "avc1" video track of the access units, a frame a second, then mdat.
inline QByteArray videoTrackFile(const QList<QByteArray> &accessUnits, int lengthSize = 4)
{
    return oneTrackFile(accessUnits, "avc1", "vide", {}, avc1Entry(lengthSize));
}

using TrackReader = FurtherReader;

// The reader of the further layouts' row named name ("udta-gps", ...); null when none is.
inline TrackReader furtherReader(const char *name)
{
    std::size_t count = 0;
    const FurtherLayout *rows = furtherLayouts(&count);
    for (std::size_t i = 0; i < count; ++i) {
        if (std::strcmp(rows[i].name, name) == 0)
            return rows[i].read;
    }
    return nullptr;
}

// What a reader's outcome tells the probe, as the extraction entry reports it.
struct ReaderReport
{
    std::string variant;
    std::string problem;
    bool hasAccel = false;
    bool localTime = false;
};

// Runs reader over file in memory and writes what it read as the extraction entry does: the
// number of lines, or -1 when the reader found no track. With text given, the track lands there.
inline int runReader(TrackReader reader, const QByteArray &file, ReaderReport *report,
                     QByteArray *text = nullptr)
{
    VideoInput input;
    input.data = reinterpret_cast<const unsigned char *>(file.constData());
    input.size = std::size_t(file.size());
    VideoIndex video(input);
    LayoutRead read;
    const bool found = reader && reader(video, &read);
    report->variant = read.variant;
    report->problem = read.problem;
    report->hasAccel = found && !read.track.accel.empty();
    report->localTime = found && read.track.clock == TrackClock::LocalTime;
    if (!found)
        return -1;
    if (!text)
        return writeSecondsTrack(read.track, nullptr);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("track.txt"));
    const int result = writeSecondsTrack(read.track, QFile::encodeName(path).constData());
    QFile f(path);
    *text = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    return result;
}

// One 36-byte record of a "freeGPS " block of records at tenths of a second, on 2024-06-03 at
// 10:20:second: position as ddmm.mmmm * 1e4, speed in km/h.
struct TenthsRecord
{
    int second = 0;
    int tenths = 0;
    char status = 'A';
    const char *hemispheres = "NE";
    quint32 lat = 0, lon = 0;
    int kmh = 0;
    int month = 6;
};

// A block of such records from 16, declared as declared bytes and padded to padTo.
inline QByteArray tenthsBlock(const QVector<TenthsRecord> &records, quint32 declared = 0x4000,
                              int padTo = 256)
{
    QByteArray b = be32(declared) + "freeGPS " + le32(declared - 12);
    for (const TenthsRecord &r : records) {
        b += '\0';
        for (int v : {24, r.month, 3, 10, 20, r.second, r.tenths})
            b += char(v);
        b += r.status + QByteArray(r.hemispheres, 2) + QByteArray(5, '\x11') + le32(r.lat) +
             le32(r.lon) + le32(991) + char(r.kmh & 0xff) + char(r.kmh >> 8) + QByteArray(6, '\0');
    }
    return b + QByteArray(qMax(0, padTo - b.size()), '\0');
}

// One line of a track text, read back: its time (yyyyMMddhhmmss as written), fix, position in
// signed degrees, speed in knots, course and G-sensor counts.
struct Line
{
    QByteArray time;
    bool fix = false;
    double latitude = 0, longitude = 0, knots = 0, course = 0;
    int g[3] = {};
};

// ddmm.mmmm and a hemisphere letter as signed degrees.
inline double degreesOf(const QByteArray &minutes, const QByteArray &hemisphere)
{
    const double v = minutes.toDouble();
    const double whole = std::floor(v / 100);
    const double d = whole + (v - whole * 100) / 60;
    return hemisphere == "S" || hemisphere == "W" ? -d : d;
}

// Line index of a track text; all zero (no fix) past its end or on a line cut short.
inline Line lineAt(const QByteArray &text, int index)
{
    Line l;
    const QList<QByteArray> f = text.split('\n').value(index).split(',');
    if (f.size() < 10 || f[0].isEmpty())
        return l;
    l.fix = f[0][0] == 'A';
    l.time = f[0].mid(1);
    l.latitude = degreesOf(f[1], f[2]);
    l.longitude = degreesOf(f[3], f[4]);
    l.knots = f[5].toDouble();
    l.course = f[6].toDouble();
    for (int i = 0; i < 3; ++i)
        l.g[i] = f[7 + i].toInt();
    return l;
}

// Runs reader over file as a row of the layout tests expects: its line count (-1: refused) and
// the problem it states. The report and text are filled for the row's further checks.
inline void compareRead(TrackReader reader, const QByteArray &file, int lines,
                        const QString &problem, ReaderReport *report, QByteArray *text)
{
    const int result = runReader(reader, file, report, text);
    QCOMPARE(result < 0 ? -1 : result, lines);
    QCOMPARE(QString::fromStdString(report->problem), problem);
}

// Line index of text against a row: its time, a fix where latitude is not 0, the position to
// within tolerance degrees and, where kmh is not below 0, the speed to 0.02 km/h.
inline void compareLine(const QByteArray &text, int index, const QByteArray &time,
                        double latitude, double longitude, double kmh, double tolerance = 1e-6)
{
    const Line l = lineAt(text, index);
    QCOMPARE(l.time, time);
    QCOMPARE(l.fix, latitude != 0);
    QVERIFY2(std::fabs(l.latitude - latitude) < tolerance,
             qPrintable(QString::number(l.latitude, 'f', 8)));
    QVERIFY2(std::fabs(l.longitude - longitude) < tolerance,
             qPrintable(QString::number(l.longitude, 'f', 8)));
    if (kmh >= 0)
        QVERIFY2(std::fabs(l.knots * 1.852 - kmh) < 0.02, qPrintable(QString::number(l.knots)));
}

} // namespace bytebuilders
