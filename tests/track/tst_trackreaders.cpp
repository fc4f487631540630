// The track readers on recordings built byte by byte: what the generated recordings do not show.
#include "bytebuilders.h"
#include "extracttrack.h"
#include "rmcinfo.h"
#include "../support/testfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using bytebuilders::be32;
using bytebuilders::be64;
using bytebuilders::box;

QByteArray zeros(int n)
{
    return QByteArray(n, '\0');
}

// A box whose head claims the given size whatever follows.
QByteArray rawHead(quint32 size, const char *type)
{
    return be32(size) + QByteArray(type, 4);
}

QByteArray ftyp()
{
    return bytebuilders::ftyp(0x200, "isommp41");
}

// Width and height as the integer parts of 16.16 values at the very end, as in a real header.
QByteArray tkhd(int width, int height)
{
    return box("tkhd", zeros(76) + be32(quint32(width) << 16) + be32(quint32(height) << 16));
}

QByteArray stsd(int channels, int bits, int rate)
{
    QByteArray p = zeros(56);
    p.replace(32, 2, be32(quint32(channels)).mid(2));
    p.replace(34, 2, be32(quint32(bits)).mid(2));
    p.replace(40, 2, be32(quint32(rate)).mid(2));
    return box("stsd", p);
}

QByteArray stco(const QList<quint32> &offsets, int count = -1)
{
    QByteArray p = zeros(4) + be32(quint32(count < 0 ? offsets.size() : count));
    for (quint32 o : offsets)
        p += be32(o);
    return box("stco", p);
}

QByteArray trak(const QByteArray &header, const QByteArray &stbl)
{
    const QByteArray minf =
        box("minf", box("smhd", zeros(8)) + box("dinf", zeros(4)) + box("stbl", stbl));
    return box("trak",
               header + box("mdia", box("mdhd", zeros(24)) + box("hdlr", zeros(24)) + minf));
}

RMCINFO sample(char status, float lat, float lon, int second = 0)
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

QByteArray bytes(const RMCINFO &r)
{
    QByteArray b(int(kRmcInfoSize), '\0');
    encodeRmcInfo(r, reinterpret_cast<unsigned char *>(b.data()));
    return b;
}

// The main line form, spelled out here rather than taken from the code under test.
QByteArray line(const RMCINFO &r)
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

// Extracts from a file, or from bytes written to one, and reads back what came out.
class Workspace
{
public:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    Result extract(const QString &video, int kind)
    {
        const QString text = path(QStringLiteral("track.txt"));
        QFile::remove(text);
        const TrackExtraction e = extractTrackReport(QFile::encodeName(video).constData(),
                                                     QFile::encodeName(text).constData(), kind);
        Result r{e.result, QByteArray(), e.report.layout, e.report.fineGScale ? 1 : 0};
        r.text = readBytes(text);
        return r;
    }
    Result extract(const QByteArray &content, int kind)
    {
        return extract(writeBytes(path(QStringLiteral("video.bin")), content), kind);
    }

private:
    QTemporaryDir m_dir;
};

// About 100 m and 70 m north of 22 deg 32.5 min, in minutes of latitude.
constexpr float kBase = 2232.5f;
constexpr float k100m = 2232.5539f;
constexpr float k70m = 2232.5377f;

RMCINFO withDate(RMCINFO r, int year, int month, int day)
{
    r.year = year;
    r.month = month;
    r.day = day;
    return r;
}

QByteArray gps0File(const QList<RMCINFO> &records)
{
    QByteArray payload;
    for (const RMCINFO &r : records)
        payload += bytes(r);
    const QByteArray moov = box("moov", box("mvhd", zeros(100)) + box("trak", tkhd(1920, 1080)));
    return ftyp() + box("free", zeros(8)) + moov + box("gps0", payload);
}

// 716-byte HiSilicon block.
QByteArray hisiBlock(int second, int fix, qint32 latNum, qint32 lonNum, int day = 16,
                     qint32 latDen = 10000)
{
    QByteArray b = zeros(716);
    auto put = [&b](int at, qint32 v) { bytebuilders::setLe32(b, at, quint32(v)); };
    put(0, 12);
    put(4, 30);
    put(8, second);
    put(16, fix);
    put(20, latNum);
    put(24, latDen);
    put(28, lonNum);
    put(32, 10000);
    put(36, 1050);
    put(40, 100);
    put(44, 0);
    put(48, 0);
    put(52, day);
    put(56, 5);
    put(60, 24);
    return b;
}

QByteArray textBlock(const char *text)
{
    QByteArray b(text);
    return b + QByteArray(132 - b.size(), '\0');
}

// Junk, a "skip" head, the text blocks, then the marker at position i of the last 16 bytes.
QByteArray chipFile(const QList<QByteArray> &blocks, int i, const char *type = "skip",
                    const QByteArray &prefix = ftyp() + box("mdat", QByteArray(300, 'x')))
{
    QByteArray body = rawHead(0x1234, type) + zeros(20);
    for (const QByteArray &b : blocks)
        body += b;
    const qint64 fileSize = prefix.size() + body.size() + 16 - i;
    const qint64 blockStart = prefix.size();
    const quint32 s = quint32(fileSize - blockStart - i + 8);
    return prefix + body + "&&&&" + be32(s) + zeros(8 - i);
}

const char kBlock1[] = "2024/05/16 12:30:00 N:2232.5 E:11400.0 36.0 km/h x:-0.5 y:+1.0 z:+0.0";

const RMCINFO kA = sample('A', 2232.5f, 11400.0f, 0);
const RMCINFO kB = sample('A', 2232.5f, 11400.0f, 1);

// Offsets 0 and 1 stand for the first and second block.
QByteArray gpsIndexFile(qint32 count, const QList<quint32> &offsets)
{
    const int dataStart = ftyp().size() + 8;
    const QByteArray data = zeros(16) + bytes(kA) + zeros(16) + bytes(kB) + zeros(64);
    QByteArray index = be32(1) + be32(quint32(count));
    for (quint32 o : offsets)
        index += be32(o == 0 ? quint32(dataStart) : o == 1 ? quint32(dataStart + 96) : o) + be32(0);
    return ftyp() + box("mdat", data) + box("gps ", index);
}

QByteArray hisiFile(const QList<quint32> &chunks, int count, qint32 latDen = 10000)
{
    const int dataStart = ftyp().size() + 8;
    QList<quint32> absolute;
    for (quint32 c : chunks)
        absolute << (c == 0 ? quint32(dataStart) : c);
    return ftyp() + box("mdat", hisiBlock(0, 1, 22325000, 114000000, 16, latDen)) +
           box("moov", trak(tkhd(0, 0), stco(absolute, count)));
}

QByteArray nested(int depth, const QByteArray &inner)
{
    QByteArray b = inner;
    for (int i = 0; i < depth; ++i)
        b = box("moov", b);
    return b;
}

bool writeSparse(const QString &path, const QList<QPair<qint64, QByteArray>> &pieces, qint64 size)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || !f.resize(size))
        return false;
    for (const auto &piece : pieces) {
        if (!f.seek(piece.first) || f.write(piece.second) != piece.second.size())
            return false;
    }
    return true;
}
} // namespace

Q_DECLARE_METATYPE(RMCINFO)

class TestTrackReaders : public QObject
{
    Q_OBJECT
    Workspace m_ws;

private slots:
    void initTestCase() { setTrackDiagnosticsStream(fopen("/dev/null", "w")); }

    void gps0Box_data()
    {
        QTest::addColumn<QList<RMCINFO>>("records");
        QTest::addColumn<QByteArray>("expected");
        const RMCINFO a = sample('A', kBase, 11400.0f, 0);

        const RMCINFO v = sample('V', 0, 0, 1);
        QTest::newRow("no fix written as is") << QList<RMCINFO>{v, a} << line(v) + line(a);

        RMCINFO zeroLat = sample('A', 0, 11400.0f, 1);
        RMCINFO zeroLatOut = zeroLat;
        zeroLatOut.status = 'V';
        zeroLatOut.longitude = 0;
        QTest::newRow("A with latitude 0") << QList<RMCINFO>{zeroLat} << line(zeroLatOut);

        QTest::newRow("invalid dates dropped")
            << QList<RMCINFO>{withDate(a, 3001, 5, 16), withDate(a, 24, 0, 16),
                              withDate(a, 24, 13, 16),  withDate(a, 24, 5, 0),
                              withDate(a, 24, 5, 32),   withDate(a, 3000, 12, 31)}
            << line(withDate(a, 3000, 12, 31));

        // 100 m after one second is a jump: written as the last accepted record, time included;
        // 70 m from it one second later is within 2 x 40 m.
        const RMCINFO jump = sample('A', k100m, 11400.0f, 1);
        const RMCINFO next = sample('A', k70m, 11400.0f, 2);
        QTest::newRow("jump filter")
            << QList<RMCINFO>{a, jump, next} << line(a) + line(a) + line(next);
        QTest::newRow("jump then accepted after a miss")
            << QList<RMCINFO>{a, sample('V', 0, 0, 1), sample('A', k70m, 11400.0f, 2)}
            << line(a) + line(sample('V', 0, 0, 1)) + line(sample('A', k70m, 11400.0f, 2));
        RMCINFO south = sample('A', kBase, 11400.0f, 1);
        south.latHemisphere = 'S';
        QTest::newRow("other hemisphere is far away")
            << QList<RMCINFO>{a, south} << line(a) + line(a);
        RMCINFO west = sample('A', kBase, 11400.0f, 1);
        west.lonHemisphere = 'W';
        QTest::newRow("western longitude is far away")
            << QList<RMCINFO>{a, west} << line(a) + line(a);
    }
    void gps0Box()
    {
        QFETCH(QList<RMCINFO>, records);
        QFETCH(QByteArray, expected);
        for (int kind : {0, 1, 2}) {
            const Result r = m_ws.extract(gps0File(records), kind);
            QCOMPARE(r.code, 0);
            QCOMPARE(r.text, expected);
            QCOMPARE(r.layout, TrackLayout::Gps0);
            QCOMPARE(r.haisi, 0);
        }
    }

    void hisilicon_data()
    {
        QTest::addColumn<bool>("badDate");
        QTest::newRow("all valid") << false;
        QTest::newRow("invalid date ends the read") << true;
    }
    void hisilicon()
    {
        QFETCH(bool, badDate);
        const int dataStart = ftyp().size() + 8;
        const QByteArray data =
            hisiBlock(0, 1, 22325000, 114000000) + hisiBlock(1, 0, -22325000, -114000000) +
            hisiBlock(2, 1, 0, 0, badDate ? 32 : 16) + hisiBlock(9, 1, 12345678, 12345678);
        const QList<quint32> chunks{quint32(dataStart), quint32(dataStart + 716),
                                    quint32(dataStart + 1432)};
        // The video track points at a valid block too; it must be passed over.
        const QByteArray video =
            trak(tkhd(1920, 1080), box("stsd", zeros(8)) + stco({quint32(dataStart + 2148)}));
        const QByteArray meta =
            trak(tkhd(0, 0), box("stsd", zeros(8)) + box("stts", zeros(8)) + stco(chunks));
        const QByteArray file =
            ftyp() + box("mdat", data) + box("moov", box("mvhd", zeros(100)) + video + meta);

        const Result r = m_ws.extract(file, 1);
        if (badDate) {
            QVERIFY(r.code < 0);
            QCOMPARE(r.haisi, 0);
            QCOMPARE(r.layout, TrackLayout::None);
            return;
        }
        QCOMPARE(r.code, 0);
        QCOMPARE(r.haisi, 1);
        QCOMPARE(r.layout, TrackLayout::HiSilicon);
        QCOMPARE(r.text,
                 QByteArray("A20240516123000,2232.500000,N,11400.000000,E,10.50,0.00,0,0,0\n"
                            "V20240516123001,2232.500000,S,11400.000000,W,10.50,0.00,0,0,0\n"
                            "A20240516123002,0.000000,S,0.000000,W,10.50,0.00,0,0,0\n"));
        // The flag belongs to the last extraction only.
        QCOMPARE(m_ws.extract(gps0File({}), 1).haisi, 0);
    }

    void damaged_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray none;
        QTest::newRow("empty file") << QByteArray() << 1 << false << none;
        QTest::newRow("only a partial head") << QByteArray("\0\0\0", 3) << 1 << false << none;
        QByteArray noMarker = chipFile({textBlock(kBlock1)}, 8);
        noMarker.replace(noMarker.size() - 8, 4, "&&&x");
        QTest::newRow("chip trailer without its marker") << noMarker << 0 << false << none;
        QTest::newRow("chip trailer not in a skip box")
            << chipFile({textBlock(kBlock1)}, 8, "free") << 0 << false << none;
        QByteArray hugeSize = chipFile({textBlock(kBlock1)}, 8);
        hugeSize.replace(hugeSize.size() - 4, 4, be32(0xffffffffu));
        QTest::newRow("chip block size beyond the start") << hugeSize << 0 << false << none;
        QByteArray zeroSize = chipFile({textBlock(kBlock1)}, 8);
        zeroSize.replace(zeroSize.size() - 4, 4, be32(0));
        QTest::newRow("chip block size zero") << zeroSize << 0 << false << none;
        QTest::newRow("shorter than a chip trailer") << QByteArray("&&&&\0\0\0\x08", 8) << 0 << false
                                                     << none;

        QTest::newRow("gps0 runs past the end")
            << ftyp() + rawHead(8 + 800, "gps0") + bytes(kA) << 0 << false << none;
        QTest::newRow("gps0 of size 0 runs to the end")
            << ftyp() + rawHead(0, "gps0") + bytes(kA) + bytes(kB) << 0 << true
            << line(kA) + line(kB);
        QTest::newRow("gps0 smaller than a record")
            << ftyp() + box("gps0", zeros(40)) << 0 << true << none;
        QTest::newRow("gps0 of 8 bytes ends the file")
            << ftyp() + box("gps0", QByteArray()) << 1 << true << none;
        QTest::newRow("gps0 head claims 4 bytes")
            << ftyp() + rawHead(4, "gps0") + bytes(kA) << 0 << false << none;
        QTest::newRow("box of size 4")
            << ftyp() + rawHead(4, "free") + box("gps0", bytes(kA)) << 1 << false << none;
        QTest::newRow("box of size 0 before the samples")
            << ftyp() + rawHead(0, "free") + box("gps0", bytes(kA)) << 0 << false << none;
        QTest::newRow("large size absurd")
            << ftyp() + rawHead(1, "free") + be64(~quint64(0)) + box("gps0", bytes(kA)) << 1
            << false << none;
        QTest::newRow("large size below its head")
            << ftyp() + rawHead(1, "free") + be64(8) + box("gps0", bytes(kA)) << 1 << false << none;
        QTest::newRow("large size read whole")
            << ftyp() + rawHead(1, "free") + be64(24) + zeros(8) + box("gps0", bytes(kA)) << 1
            << true << line(kA);
        QTest::newRow("large size in the high half")
            << ftyp() + rawHead(1, "free") + be64((quint64(1) << 32) + 24) + zeros(8) +
                   box("gps0", bytes(kA))
            << 1 << false << none;
        QTest::newRow("containers nested without end")
            << ftyp() + nested(200, box("gps0", bytes(kA))) << 1 << false << none;
        QTest::newRow("a few containers are fine")
            << ftyp() + nested(3, box("gps0", bytes(kA))) << 1 << true << line(kA);
        QTest::newRow("child past its parent")
            << ftyp() + rawHead(16, "moov") + box("mvhd", zeros(100)) + box("gps0", bytes(kA)) << 1
            << false << none;

        QTest::newRow("gps count beyond its table")
            << gpsIndexFile(0x7fffffff, {0, 1}) << 1 << true << line(kA) + line(kB);
        QTest::newRow("gps count negative") << gpsIndexFile(-5, {0, 1}) << 1 << false << none;
        QTest::newRow("gps offset past the end")
            << gpsIndexFile(3, {0, 0xffffff00u, 1}) << 1 << true << line(kA);
        QTest::newRow("gps box without a count")
            << ftyp() + box("gps ", be32(1)) << 1 << false << none;
        QTest::newRow("gps box without samples")
            << ftyp() + box("gps ", be32(1) + be32(0)) << 1 << false << none;

        QTest::newRow("stco count beyond its table")
            << hisiFile({0}, 0x7fffffff) << 1 << false << none;
        QTest::newRow("stco offset past the end")
            << hisiFile({0, 0x7fffff00u}, -1) << 1 << false << none;
        QTest::newRow("stco head only")
            << ftyp() + box("moov", trak(tkhd(0, 0), box("stco", zeros(4)))) << 1 << false << none;
        QTest::newRow("zero denominator")
            << hisiFile({0}, -1, 0) << 1 << true
            << QByteArray("A20240516123000,0.000000,S,11400.000000,E,10.50,0.00,0,0,0\n");
        QTest::newRow("tkhd too small for a size")
            << ftyp() + box("moov", trak(box("tkhd", zeros(2)), stco({}))) << 1 << true << none;

        QTest::newRow("freeGPS chunk past the end")
            << ftyp() + box("moov", trak(tkhd(0, 0), stsd(1, 16, 8000) + stco({0xfffec000u}))) << 0
            << false << none;
        QTest::newRow("sample description at its limits")
            << ftyp() +
                   box("moov", trak(tkhd(0, 0), stsd(65535, 65535, 65535) + stco({0x8000, 0}))) +
                   zeros(40000)
            << 0 << false << none;
        QTest::newRow("sample description cut short")
            << ftyp() + box("moov", trak(tkhd(0, 0), box("stsd", zeros(8)) + stco({0}))) << 0
            << false << none;

        {
            // Blocks marked "IQS" behind the audio chunks hold scaled integers, not the record.
            const QByteArray head =
                ftyp() + box("moov", trak(tkhd(0, 0), stsd(1, 16, 8000) + stco({16384})));
            QByteArray block = be32(256) + "freeGPS " + zeros(4) + "IQS" + zeros(29) + bytes(kA);
            block += zeros(256 - block.size());
            QTest::newRow("freeGPS block of scaled integers behind the audio")
                << head + zeros(32768 - head.size()) + block << 0 << false << none;
        }

        QTest::newRow("transport stream shorter than a packet")
            << QByteArray("\x47\x43\x00\x00", 4) << 2 << false << none;
    }
    void damaged()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, kind);
        QFETCH(bool, success);
        QFETCH(QByteArray, expected);
        const Result r = m_ws.extract(file, kind);
        if (success)
            QCOMPARE(r.code, 0);
        else
            QVERIFY2(r.code < 0, qPrintable(QString::number(r.code)));
        QCOMPARE(r.text, expected);
        QCOMPARE(r.layout == TrackLayout::None, !success);
    }

    void largeFiles_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("gps0 beyond 2 GiB") << QStringLiteral("gps0");
        QTest::newRow("HiSilicon block beyond 2 GiB") << QStringLiteral("hisilicon");
    }
    void largeFiles()
    {
        QFETCH(QString, layout);
        // Sparse files: the holes take no room on disk.
        const qint64 far = 0xA0000000; // 2.5 GiB
        const QString path = m_ws.path(QStringLiteral("large.mp4"));
        const QByteArray head = ftyp();
        QList<QPair<qint64, QByteArray>> pieces;
        QByteArray expected;
        if (layout == QLatin1String("gps0")) {
            pieces << qMakePair(qint64(0), head + rawHead(quint32(far - head.size()), "free"))
                   << qMakePair(far, box("gps0", bytes(kA)));
            expected = line(kA);
        } else {
            const QByteArray moov = box("moov", trak(tkhd(0, 0), stco({quint32(far)})));
            pieces << qMakePair(qint64(0),
                                head + moov +
                                    rawHead(quint32(far + 716 - head.size() - moov.size()), "mdat"))
                   << qMakePair(far, hisiBlock(0, 1, 22325000, 114000000));
            expected = "A20240516123000,2232.500000,N,11400.000000,E,10.50,0.00,0,0,0\n";
        }
        if (!writeSparse(path, pieces, far + 716 + 88))
            QSKIP("no room for a sparse file here");
        const Result r = m_ws.extract(path, 1);
        QFile::remove(path);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.text, expected);
    }
};

QTEST_GUILESS_MAIN(TestTrackReaders)
#include "tst_trackreaders.moc"
