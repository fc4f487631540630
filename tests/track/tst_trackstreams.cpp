// The transport-stream reader and the chip-trailer reader.
#include "trackfixtures.h"

#include <QtTest>

using namespace fixtures;

namespace {
QByteArray tsPacket(const QByteArray &start, int recordAt = -1, const RMCINFO &r = RMCINFO{})
{
    QByteArray p = start + QByteArray(188 - start.size(), char(0xff));
    if (recordAt >= 0)
        p.replace(recordAt, 80, bytes(r));
    return p;
}
const QByteArray kGpsStart("\x47\x43\x00", 3);
const QByteArray kVideoStart("\x47\x41\x00", 3);

QByteArray tsLine(const RMCINFO &r)
{
    QByteArray l = line(r);
    l.chop(1);
    return l + ",0.000000\n";
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
const char kLine1[] = "A20240516123000,2232.500000,N,11400.000000,E,36.00,0.00,0,1,0\n";
const char kBlock2[] = "2024/05/16 12:30:01 S:0 W:0 0.0 km/h x:-2.9 y:+3.5 z:-0.25";
const char kLine2[] = "V20240516123001,0.000000,S,0.000000,W,0.00,0.00,-2,3,0\n";
} // namespace

class TestTrackStreams : public QObject
{
    Q_OBJECT
    Workspace m_ws;

private slots:
    void initTestCase() { setTrackDiagnosticsStream(fopen("/dev/null", "w")); }

    void transportStream_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");
        const RMCINFO a = sample('A', 2232.5f, 11400.0f, 0);
        const RMCINFO v = sample('V', 0, 0, 1);
        const RMCINFO x = sample('X', 2232.5f, 11400.0f, 2);
        RMCINFO zeroLat = sample('A', 0, 11400.0f, 3);
        RMCINFO zeroOut = zeroLat;
        zeroOut.status = 'V';
        zeroOut.longitude = 0;

        QTest::newRow("record at 10")
            << tsPacket(kVideoStart) + tsPacket(kGpsStart, 10, a) + tsPacket(kVideoStart) +
                   tsPacket(kGpsStart, 10, v) + tsPacket(kGpsStart, 10, zeroLat)
            << tsLine(a) + tsLine(v) + tsLine(zeroOut);
        // Byte 34 holds no status: the records sit at 42 from then on, even where 10 would look
        // valid.
        QByteArray decoy = tsPacket(kGpsStart, 42, v);
        decoy.replace(10, 32, bytes(a).left(32));
        QTest::newRow("switch to 42")
            << tsPacket(kGpsStart, 42, a) + decoy + tsPacket(kGpsStart, 42, x)
            << tsLine(a) + tsLine(v);
        QTest::newRow("other PIDs ignored")
            << tsPacket(QByteArray("\x47\x43\x01", 3), 10, a) +
                   tsPacket(QByteArray("\x46\x43\x00", 3), 10, a) + tsPacket(kGpsStart, 10, v)
            << tsLine(v);
        QTest::newRow("partial last packet")
            << tsPacket(kGpsStart, 10, a) + tsPacket(kGpsStart, 10, v).left(120) << tsLine(a);
    }
    void transportStream()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);
        const Result r = m_ws.extract(file, 2);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.layout, TrackLayout::TransportStream);
        QCOMPARE(r.text, expected);
        // Not tried for other kinds.
        QVERIFY(m_ws.extract(file, 0).code < 0);
    }

    void transportStreamWithoutGps()
    {
        const RMCINFO x = sample('X', 2232.5f, 11400.0f);
        const Result r = m_ws.extract(tsPacket(kVideoStart) + tsPacket(kGpsStart, 42, x), 2);
        QVERIFY(r.code < 0);
        QCOMPARE(r.text, QByteArray());
        QCOMPARE(r.layout, TrackLayout::None);
    }

    void chipTrailer_data()
    {
        QTest::addColumn<int>("markerAt");
        for (int i : {0, 1, 3, 4, 7, 8})
            QTest::newRow(qPrintable(QStringLiteral("marker at %1").arg(i))) << i;
    }
    void chipTrailer()
    {
        QFETCH(int, markerAt);
        const QByteArray file = chipFile({textBlock(kBlock1), textBlock(kBlock2)}, markerAt);
        for (int kind : {0, 1, 2}) {
            const Result r = m_ws.extract(file, kind);
            QCOMPARE(r.code, 0);
            QCOMPARE(r.layout, TrackLayout::ChipTrailer);
            QCOMPARE(r.text, QByteArray(kLine1) + kLine2);
        }
    }

    void chipTrailerStopsAtInvalidDate_data()
    {
        QTest::addColumn<QByteArray>("bad");
        QTest::newRow("year") << textBlock(
            "3001/05/16 12:30:00 N:2232.5 E:11400.0 1.0 km/h x:+0 y:+0 z:+0");
        QTest::newRow("month") << textBlock(
            "2024/13/16 12:30:00 N:2232.5 E:11400.0 1.0 km/h x:+0 y:+0 z:+0");
        QTest::newRow("day") << textBlock(
            "2024/05/00 12:30:00 N:2232.5 E:11400.0 1.0 km/h x:+0 y:+0 z:+0");
        QTest::newRow("empty") << zeros(132);
    }
    void chipTrailerStopsAtInvalidDate()
    {
        QFETCH(QByteArray, bad);
        const Result r =
            m_ws.extract(chipFile({textBlock(kBlock1), bad, textBlock(kBlock2)}, 8), 0);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.text, QByteArray(kLine1));
        // Nothing valid at all: the other readers get their turn (and find nothing here).
        const Result none = m_ws.extract(chipFile({bad, textBlock(kBlock2)}, 8), 0);
        QVERIFY(none.code < 0);
        QCOMPARE(none.layout, TrackLayout::None);
    }

    void chipTrailerRejected_data()
    {
        QTest::addColumn<QByteArray>("file");
        QByteArray noMarker = chipFile({textBlock(kBlock1)}, 8);
        noMarker.replace(noMarker.size() - 8, 4, "&&&x");
        QTest::newRow("no marker") << noMarker;
        QTest::newRow("not a skip box") << chipFile({textBlock(kBlock1)}, 8, "free");
        QByteArray hugeSize = chipFile({textBlock(kBlock1)}, 8);
        hugeSize.replace(hugeSize.size() - 4, 4, be32(0xffffffffu));
        QTest::newRow("block size beyond the start") << hugeSize;
        QByteArray zeroSize = chipFile({textBlock(kBlock1)}, 8);
        zeroSize.replace(zeroSize.size() - 4, 4, be32(0));
        QTest::newRow("block size zero") << zeroSize;
        QTest::newRow("shorter than the trailer") << QByteArray("&&&&\0\0\0\x08", 8);
    }
    void chipTrailerRejected()
    {
        QFETCH(QByteArray, file);
        const Result r = m_ws.extract(file, 0);
        QVERIFY(r.code < 0);
        QCOMPARE(r.layout, TrackLayout::None);
    }

    void chipTrailerBeforeBoxes()
    {
        // A file with both a trailer and a "gps0" box: the trailer is tried first.
        const QByteArray gps0 = box("gps0", bytes(sample('A', 2232.5f, 11400.0f)));
        const Result r = m_ws.extract(chipFile({textBlock(kBlock1)}, 8, "skip", ftyp() + gps0), 1);
        QCOMPARE(r.layout, TrackLayout::ChipTrailer);
        QCOMPARE(r.text, QByteArray(kLine1));
        const Result boxes = m_ws.extract(ftyp() + gps0, 1);
        QCOMPARE(boxes.layout, TrackLayout::Gps0);
    }

    void chipAxesOutOfRange()
    {
        const Result r = m_ws.extract(
            chipFile({textBlock("2024/05/16 12:30:00 N:1 E:1 1.0 km/h x:-1e30 y:+nan z:+1e30")}, 8),
            0);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.text,
                 QByteArray(
                     "A20240516123000,1.000000,N,1.000000,E,1.00,0.00,-2147483648,0,2147483647\n"));
    }
};

QTEST_GUILESS_MAIN(TestTrackStreams)
#include "tst_trackstreams.moc"
