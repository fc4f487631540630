// The box readers: "gps0", the "gps " index, HiSilicon chunk tables and "freeGPS" blocks.
#include "trackfixtures.h"

#include <QtTest>

using namespace fixtures;

namespace {
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
QByteArray hisiBlock(int second, int fix, qint32 latNum, qint32 lonNum, int day = 16)
{
    QByteArray b = zeros(716);
    auto put = [&b](int at, qint32 v) { b.replace(at, 4, le32(v)); };
    put(0, 12);
    put(4, 30);
    put(8, second);
    put(16, fix);
    put(20, latNum);
    put(24, 10000);
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
} // namespace

class TestTrackMp4 : public QObject
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
        QTest::newRow("one fix") << QList<RMCINFO>{a} << line(a);
        QTest::newRow("no records") << QList<RMCINFO>{} << QByteArray();

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
        QTest::newRow("zero latitude counts as a miss")
            << QList<RMCINFO>{a, zeroLat, sample('A', k70m, 11400.0f, 2)}
            << line(a) + line(zeroLatOut) + line(sample('A', k70m, 11400.0f, 2));
        QTest::newRow("70 m without a miss is a jump")
            << QList<RMCINFO>{a, sample('A', k70m, 11400.0f, 1)} << line(a) + line(a);
        RMCINFO south = sample('A', kBase, 11400.0f, 1);
        south.latHemisphere = 'S';
        QTest::newRow("other hemisphere is far away")
            << QList<RMCINFO>{a, south} << line(a) + line(a);
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

    void gps0RecordsOddSize()
    {
        // A remainder smaller than a record is ignored.
        const RMCINFO a = sample('A', kBase, 11400.0f);
        const QByteArray file = ftyp() + box("gps0", bytes(a) + zeros(79));
        const Result r = m_ws.extract(file, 0);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.text, line(a));
    }

    void gpsIndex_data()
    {
        QTest::addColumn<bool>("newLayout");
        QTest::addColumn<int>("firstStatus");
        QTest::newRow("old") << false << int('A');
        QTest::newRow("old, no fix first") << false << int('V');
        QTest::newRow("new") << true << int('A');
    }
    void gpsIndex()
    {
        QFETCH(bool, newLayout);
        QFETCH(int, firstStatus);
        RMCINFO first = sample(char(firstStatus), kBase, 11400.0f, 0);
        first.year = 2024; // years above 1000 are reduced
        const RMCINFO second = sample('A', kBase, 11400.0f, 1);
        const RMCINFO skipped = sample('X', kBase, 11400.0f, 2);
        const QList<RMCINFO> records{first, second, skipped};

        QByteArray data;
        QList<quint32> offsets;
        const int dataStart = ftyp().size() + 8;
        for (const RMCINFO &r : records) {
            offsets << quint32(dataStart + data.size());
            data += zeros(16) + (newLayout ? QByteArray() : zeros(32)) + bytes(r);
        }
        data += zeros(64); // room to read an old-layout block after the last new one
        QByteArray index = be32(7) + be32(quint32(offsets.size()));
        for (quint32 o : offsets)
            index += be32(o) + be32(0);
        const QByteArray file =
            ftyp() + box("mdat", data) + box("gps ", index) + box("moov", box("mvhd", zeros(100)));

        RMCINFO firstOut = first;
        firstOut.year = 24;
        QByteArray expected = line(firstOut) + line(second);
        const Result r = m_ws.extract(file, 1);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.text, expected);
        QCOMPARE(r.layout, TrackLayout::GpsIndex);
        QCOMPARE(r.haisi, 0);
        // The index is an MP4 thing only.
        QVERIFY(m_ws.extract(file, 0).code < 0);
    }

    void gpsIndexWithoutSamples()
    {
        const QByteArray file = ftyp() + box("gps ", be32(1) + be32(0));
        const Result r = m_ws.extract(file, 1);
        QVERIFY(r.code < 0);
        QCOMPARE(r.text, QByteArray());
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

    void hisiliconEmptyTable()
    {
        const QByteArray file = ftyp() + box("moov", trak(tkhd(0, 0), stco({})));
        const Result r = m_ws.extract(file, 1);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.haisi, 1);
        QCOMPARE(r.text, QByteArray());
    }

    void freeGps_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("doubling");
        QTest::newRow("mov") << 0 << false;
        QTest::newRow("mov, offset doubled") << 0 << true;
        QTest::newRow("mp4 without other layouts") << 1 << false;
    }
    void freeGps()
    {
        QFETCH(int, kind);
        QFETCH(bool, doubling);
        // 1 channel x 16 bit x 8000 Hz puts the block 16384 bytes after the chunk; with 8 bit the
        // first guess (8192) misses and the doubled offset finds it.
        const int bits = doubling ? 8 : 16;
        const quint32 first = doubling ? 24576 : 16384;
        const QList<quint32> chunks{first, 20000, 49152};
        const RMCINFO a = sample('A', kBase, 11400.0f, 0);
        RMCINFO zeroLon = sample('A', kBase, 0, 1);
        RMCINFO badYear = sample('A', kBase, 11400.0f, 5);
        badYear.year = 3000;

        QByteArray file(70000, '\0');
        auto block = [](const RMCINFO &r) -> QByteArray {
            return QByteArray("\0\0\0\0freeGPS\0\0\0\0\0", 16) + zeros(32) + bytes(r);
        };
        file.replace(40960, 128, block(a)); // 24576 + 16384 or 16384 + 16384 + 8192
        file.replace(32768, 128, doubling ? zeros(128) : block(a));
        file.replace(65536, 128, block(zeroLon));
        file.replace(36864, 128, block(badYear)); // 20000 + 16384 is not aligned: never read
        const QByteArray head =
            ftyp() + box("moov", box("mvhd", zeros(100)) + trak(tkhd(1920, 1080), stco({0})) +
                                     trak(tkhd(0, 0), stsd(1, bits, 8000) + box("stsz", zeros(8)) +
                                                          stco(chunks)));
        file.replace(0, head.size(), head);
        file.replace(head.size(), 8, rawHead(quint32(file.size() - head.size()), "mdat"));

        RMCINFO zeroOut = zeroLon;
        zeroOut.status = 'V';
        zeroOut.latitude = 0;
        const Result r = m_ws.extract(file, kind);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.layout, TrackLayout::FreeGps);
        QCOMPARE(r.haisi, 0);
        QCOMPARE(r.text, line(a) + line(zeroOut));
    }

    void freeGpsNothingAligned()
    {
        QByteArray file =
            ftyp() + box("moov", trak(tkhd(0, 0), stsd(1, 16, 8000) + stco({100, 200})));
        file += zeros(40000);
        const Result r = m_ws.extract(file, 0);
        QVERIFY(r.code < 0);
        QCOMPARE(r.text, QByteArray());
    }

    void unknownKindGivesGps0Result()
    {
        QVERIFY(m_ws.extract(ftyp() + box("moov", zeros(8)), 7).code < 0);
    }
};

QTEST_GUILESS_MAIN(TestTrackMp4)
#include "tst_trackmp4.moc"
