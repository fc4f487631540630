// The freeGPS block forms beside the shared record, built byte by byte: the record behind a
// longer head, the position as strings (plain or RC4-masked in Base64), 16 KiB blocks in
// decimal degrees, the labelled text line, the run of 36-byte records at tenths of a second;
// and files of them listed by a "gps " index.
#include "bytebuilders.h"
#include "freegpsblocks.h"
#include "freegpsvariants.h"

#include <QtTest>

#include <cmath>

namespace {

using namespace bytebuilders;

constexpr int kBlockSize = 256;

QByteArray headOfSize(int size)
{
    return be32(quint32(size)) + "freeGPS " + le32(quint32(size - 12));
}

QByteArray padded(QByteArray b, int size = kBlockSize)
{
    return b + QByteArray(qMax(0, size - b.size()), '\0');
}

// Time of day, date, status, hemispheres and a zero byte: 28 bytes.
QByteArray clockAndStatus(int second, char status, const char *hemispheres, int year = 24)
{
    return le32(10) + le32(20) + le32(quint32(second)) + le32(quint32(year)) + le32(6) + le32(3) +
           status + QByteArray(hemispheres, 2) + '\0';
}

QByteArray rc4(const QByteArray &text, const QByteArray &key)
{
    unsigned char s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = uchar(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + uchar(key[i % key.size()])) & 0xff;
        std::swap(s[i], s[j]);
    }
    QByteArray out = text;
    for (int n = 0, a = 0, b = 0; n < out.size(); ++n) {
        a = (a + 1) & 0xff;
        b = (b + s[a]) & 0xff;
        std::swap(s[a], s[b]);
        out[n] = char(uchar(out[n]) ^ s[(s[a] + s[b]) & 0xff]);
    }
    return out;
}

QByteArray field20(const QByteArray &text)
{
    return text + QByteArray(20 - text.size(), '\0');
}

// The record at 16 with the position as strings at 0x2c and 0x40, knots and course after.
QByteArray stringsBlock(const QByteArray &lat, const QByteArray &lon, char status = 'A',
                        const char *hemispheres = "NE", const QByteArray &key = {})
{
    const auto stored = [&key](const QByteArray &t) {
        return field20(key.isEmpty() ? t : rc4(t, key).toBase64());
    };
    return padded(headOfSize(0x4000) + clockAndStatus(5, status, hemispheres) + stored(lat) +
                  stored(lon) + leFloat(10) + leFloat(90) + le32(300) + le32(quint32(-3)) +
                  le32(250) + "2J71PpUH7ihf");
}

// The record behind the 48 bytes longer head, G-sensor counts at 108.
QByteArray longHeadBlock(int second, char status, const char *hemispheres, float lat, float lon)
{
    QByteArray b = headOfSize(0x4000) + "MN:QM-200@V2.1_Q";
    b = padded(b, 0x38) + "::start@";
    b = padded(b, 64) + clockAndStatus(second, status, hemispheres) + leFloat(lat) +
        leFloat(lon) + leFloat(10) + leFloat(90) + le32(256) + le32(0) + le32(quint32(-128));
    return padded(b);
}

// 16 KiB blocks (the first 256 bytes of one): decimal floats at 76, km/h, doubles at 0x70.
QByteArray decimalBlock(char status, const char *hemispheres, float lat, float lon,
                        double latDouble, double lonDouble, int size = 0x4000)
{
    QByteArray b = padded(headOfSize(size), 48) + clockAndStatus(7, status, hemispheres) +
                   leFloat(lat) + leFloat(lon) + leFloat(36) + leFloat(270);
    b = padded(b, 0x70) + leDouble(latDouble) + QByteArray(8, '\0') + leDouble(lonDouble);
    return padded(b);
}

QByteArray textBlock(const QByteArray &text)
{
    return padded(headOfSize(kBlockSize) + text);
}

QByteArray fileOf(const QVector<QByteArray> &blocks)
{
    QByteArray payload, index = be32(0x101) + be32(quint32(blocks.size()));
    for (const QByteArray &block : blocks) {
        index += be32(quint32(8 + payload.size())) + be32(quint32(block.size()));
        payload += block;
    }
    return box("free", payload) + box("gps ", index);
}

} // namespace

class TestFreeGpsForms : public QObject
{
    Q_OBJECT

private slots:
    void blockForms_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<int>("outcome"); // FreeGpsOutcome
        QTest::addColumn<QString>("variant");
        QTest::addColumn<bool>("fix");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("kmh");
        QTest::addColumn<int>("second"); // of the clock; -1: no clock
        QTest::addColumn<double>("accelZ"); // NaN: no G-sensor
        const int decoded = int(FreeGpsOutcome::Decoded), masked = int(FreeGpsOutcome::Masked),
                  other = int(FreeGpsOutcome::NotThisVariant);
        const double none = std::nan("");
        const double kmh10Knots = 18.52;

        QTest::newRow("strings: north-east")
            << stringsBlock("2232.500000", "11403.500000") << decoded << QStringLiteral("position as text") << true
            << 22.541666666 << 114.058333333 << kmh10Knots << 5 << none;
        QTest::newRow("strings: south-west")
            << stringsBlock("3436.224520", "5822.895340", 'A', "SW") << decoded
            << "position as text" << true << -34.603742 << -58.381589 << kmh10Knots << 5 << none;
        QTest::newRow("strings: high latitude, three-digit longitude")
            << stringsBlock("7813.200000", "1538.400000") << decoded << QStringLiteral("position as text") << true
            << 78.22 << 15.64 << kmh10Knots << 5 << none;
        QTest::newRow("strings: no fix keeps the clock, no G-sensor")
            << stringsBlock("0.000000", "0.000000", 'V') << decoded << QStringLiteral("position as text") << false
            << 0.0 << 0.0 << kmh10Knots << 5 << none;
        QTest::newRow("strings: zero longitude after A is no fix")
            << stringsBlock("2232.500000", "0.000000") << decoded << QStringLiteral("position as text") << false
            << 22.541666666 << 0.0 << kmh10Knots << 5 << none;
        QTest::newRow("strings: first key")
            << stringsBlock("3540.534655", "13945.607092", 'A', "NE", "luckychip gps") << decoded
            << "masked as Base64" << true << 35.675578 << 139.760118 << kmh10Knots << 5 << none;
        QTest::newRow("strings: last letter key")
            << stringsBlock("3540.534655", "13945.607092", 'A', "NE", "customer ss gps")
            << decoded << QStringLiteral("masked as Base64") << true << 35.675578 << 139.760118 << kmh10Knots << 5
            << none;
        QTest::newRow("strings: unknown key")
            << stringsBlock("3540.534655", "13945.607092", 'A', "NE", "customer tt gps") << masked
            << "masked as Base64" << false << 0.0 << 0.0 << 0.0 << -1 << none;
        // One string plain, one Base64: neither form, so the float record reads the block.
        QTest::newRow("strings: mixed forms are the float record")
            << patched(stringsBlock("2232.500000", "11403.500000"), 0x40,
                       field20("MTIzNDU2Nzg5MA=="))
            << decoded << QStringLiteral("binary record at the block's start") << true << none << none << none
            << 5 << none;

        QTest::newRow("longer head: fix, G-sensor")
            << longHeadBlock(0, 'A', "NE", 2232.5f, 11403.5f) << decoded << QStringLiteral("longer head") << true
            << 22.541666666 << 114.058333333 << kmh10Knots << 0 << -0.5;
        QTest::newRow("longer head: south-west, last second of a minute")
            << longHeadBlock(59, 'A', "SW", 3436.2245f, 5822.8953f) << decoded << QStringLiteral("longer head")
            << true << -(34 + (double(3436.2245f) - 3400) / 60)
            << -(58 + (double(5822.8953f) - 5800) / 60) << kmh10Knots << 59 << -0.5;
        QTest::newRow("longer head: no fix")
            << longHeadBlock(1, 'V', "NE", 0, 0) << decoded << QStringLiteral("longer head") << false << 0.0 << 0.0
            << kmh10Knots << 1 << -0.5;
        QTest::newRow("longer head: cut before its record")
            << longHeadBlock(0, 'A', "NE", 2232.5f, 11403.5f).left(110) << other << QStringLiteral("") << false
            << 0.0 << 0.0 << 0.0 << -1 << none;

        QTest::newRow("decimal: doubles preferred")
            << decimalBlock('A', "NE", 22.5412f, 114.0583f, 22.54123456, 114.05834567) << decoded
            << "decimal degrees" << true << 22.54123456 << 114.05834567 << 36.0 << 7 << none;
        QTest::newRow("decimal: south-west, doubles that disagree are passed over")
            << decimalBlock('A', "SW", 34.6037f, 58.3816f, 1.0, 2.0) << decoded
            << "decimal degrees" << true << -double(34.6037f) << -double(58.3816f) << 36.0 << 7
            << none;
        QTest::newRow("decimal: high latitude")
            << decimalBlock('A', "NE", 78.2232f, 15.6401f, 78.2232, 15.6401) << decoded
            << "decimal degrees" << true << 78.2232 << 15.6401 << 36.0 << 7 << none;
        // Another block size: the floats are ddmm.mmmm, as in the plain record.
        QTest::newRow("decimal: only in 16 KiB blocks")
            << decimalBlock('A', "NE", 22.5f, 14.5f, 0, 0, 0x8000) << decoded << QStringLiteral("binary record")
            << true << 22.5 / 60 << 14.5 / 60 << 36.0 * 1.852 << 7 << none;
        QTest::newRow("decimal: degrees beyond 90 are ddmm.mmmm")
            << decimalBlock('A', "NE", 2232.5f, 11403.5f, 0, 0) << decoded << QStringLiteral("binary record")
            << true << 22.541666666 << 114.058333333 << 36.0 * 1.852 << 7 << none;
        QTest::newRow("decimal: no fix is the plain record's")
            << decimalBlock('V', "NE", 0, 0, 0, 0) << decoded << QStringLiteral("binary record") << false << 0.0
            << 0.0 << 36.0 * 1.852 << 7 << none;

        const QByteArray line = "normal:2024/06/03 10:20:05 N:22.541234 E:114.058765 27.0 km/h "
                                "x:-0.02 y:0.99 z:0.10 A:269.2 H:245.5";
        QTest::newRow("labelled: north-east")
            << textBlock(line) << decoded << QStringLiteral("labelled text") << true << 22.541234 << 114.058765
            << 27.0 * 1.852 << 5 << 0.10;
        QTest::newRow("labelled: south-west")
            << textBlock("normal:2024/06/03 10:20:59 S:34.603742 W:58.381589 0.0 km/h x:0.00 "
                         "y:0.00 z:1.00 A:0.0")
            << decoded << QStringLiteral("labelled text") << true << -34.603742 << -58.381589 << 0.0 << 59
            << 1.0;
        QTest::newRow("labelled: no position")
            << textBlock("normal:2024/06/03 10:20:00 N:0.000000 E:0.000000 0.0 km/h") << decoded
            << "labelled text" << false << 0.0 << 0.0 << 0.0 << 0 << none;
        QTest::newRow("labelled: a lower-case label is not read")
            << textBlock("normal:2024/06/03 10:20:05 N:22.5 e:114.0 12.0 km/h") << decoded
            << QStringLiteral("labelled text") << false << 22.5 << 0.0 << 0.0 << 5 << none;
        QTest::newRow("labelled: cut inside its date")
            << QByteArray(headOfSize(kBlockSize) + line).left(40) << other << QStringLiteral("") << false << 0.0 << 0.0
            << 0.0 << -1 << none;
        QTest::newRow("labelled: a month of 13 holds no sample")
            << textBlock("normal:2024/13/03 10:20:05 N:22.5 E:114.0") << decoded
            << "labelled text" << false << 0.0 << 0.0 << 0.0 << -1 << none;
    }

    void blockForms()
    {
        QFETCH(QByteArray, block);
        QFETCH(int, outcome);
        QFETCH(QString, variant);
        QFETCH(bool, fix);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, kmh);
        QFETCH(int, second);
        QFETCH(double, accelZ);
        FreeGpsBlockSample s;
        QCOMPARE(int(decodeIndexedFreeGpsBlock(reinterpret_cast<const unsigned char *>(block.constData()),
                                               std::size_t(block.size()), &s)),
                 outcome);
        QVERIFY2(QString::fromLatin1(s.variant).contains(variant), s.variant);
        if (outcome != int(FreeGpsOutcome::Decoded))
            return;
        QCOMPARE(s.sample.fix, fix);
        if (!std::isnan(latitude))
            QVERIFY2(std::fabs(s.sample.latitude - latitude) < 1e-6,
                     qPrintable(QString::number(s.sample.latitude, 'f', 8)));
        if (!std::isnan(longitude))
            QVERIFY2(std::fabs(s.sample.longitude - longitude) < 1e-6,
                     qPrintable(QString::number(s.sample.longitude, 'f', 8)));
        if (fix && !std::isnan(kmh))
            QVERIFY2(std::fabs(s.sample.speedKmh - kmh) < 1e-3,
                     qPrintable(QString::number(s.sample.speedKmh)));
        if (second < 0)
            QCOMPARE(s.sample.clock, kNoClock);
        else
            QCOMPARE(s.sample.clock, clockOf(2024, 6, 3, 10, 20, second));
        // The float record reads its G-sensor words from whatever bytes a mixed block holds there.
        if (!variant.startsWith(QLatin1String("binary record at")))
            QCOMPARE(s.hasAccel, !std::isnan(accelZ));
        if (s.hasAccel && !std::isnan(accelZ))
            QVERIFY(std::fabs(s.accel.z - accelZ) < 1e-6);
        // None of these is the record the older index reader reads itself.
        QVERIFY(!s.recordForm || variant.startsWith(QLatin1String("binary")));
    }

    // The run of 36-byte records: which record stands for the block's second, the run's end at
    // a damaged record or the block's, and what is not this form.
    void tenthsRecords_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<bool>("tenthsForm");
        QTest::addColumn<bool>("fix");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("kmh");
        QTest::addColumn<qint64>("clock");
        const auto at = [](double second) { return qint64(clockOf(2024, 6, 3, 10, 20, second)); };
        const double tokyoLat = 35 + 40.5347 / 60, tokyoLon = 139 + 45.6071 / 60;
        const TenthsRecord tokyo{5, 0, 'A', "NE", 35405347, 139456071, 47};
        const auto moved = [&tokyo](int second, int tenths, quint32 lat) {
            TenthsRecord r = tokyo;
            r.second = second;
            r.tenths = tenths;
            r.lat = lat;
            return r;
        };

        QTest::newRow("north-east, one record")
            << tenthsBlock({tokyo}) << true << true << tokyoLat << tokyoLon << 47.0 << at(5);
        QTest::newRow("the record at .0 of the second, not the first")
            << tenthsBlock({moved(4, 8, 1), moved(4, 9, 2), tokyo, moved(5, 1, 3)}) << true << true
            << tokyoLat << tokyoLon << 47.0 << at(5);
        QTest::newRow("no record at .0: the first")
            << tenthsBlock({moved(7, 3, 35405347), moved(7, 4, 2)}) << true << true << tokyoLat
            << tokyoLon << 47.0 << at(7.3);
        TenthsRecord damaged = moved(5, 0, 3);
        damaged.status = 'X';
        QTest::newRow("the run ends at a damaged record")
            << tenthsBlock({moved(4, 9, 35405347), damaged, moved(5, 0, 4)}) << true << true
            << tokyoLat << tokyoLon << 47.0 << at(4.9);
        // The block's last record reaches its end exactly, or one byte short.
        QTest::newRow("the last record ends with the block")
            << tenthsBlock({moved(4, 9, 2), moved(4, 9, 2), tokyo}, 0x4000, 0) << true << true
            << tokyoLat << tokyoLon << 47.0 << at(5);
        const QByteArray shortBlock =
            tenthsBlock({moved(4, 9, 35405347), moved(4, 9, 1), moved(4, 9, 1), tokyo}, 0x4000, 0);
        QTest::newRow("the last record one byte past the block")
            << shortBlock.chopped(1) << true << true << tokyoLat << tokyoLon << 47.0 << at(4.9);
        QTest::newRow("south-west")
            << tenthsBlock({{0, 0, 'A', "SW", 34362245, 58228953, 0}}) << true << true
            << -(34 + 36.2245 / 60) << -(58 + 22.8953 / 60) << 0.0 << at(0);
        QTest::newRow("high latitude, last second of a minute, 16-bit speed")
            << tenthsBlock({{59, 0, 'A', "NE", 78132000, 15384000, 300}}) << true << true << 78.22
            << 15.64 << 300.0 << at(59);
        QTest::newRow("no fix keeps the clock") << tenthsBlock({{0, 0, 'V', "NE", 0, 0, 0}}) << true
                                                << false << 0.0 << 0.0 << 0.0 << at(0);
        TenthsRecord month13 = tokyo;
        month13.month = 13;
        QTest::newRow("a month of 13 holds no clock")
            << tenthsBlock({month13}) << true << false << tokyoLat << tokyoLon << 47.0
            << qint64(kNoClock);
        QTest::newRow("tenths of 10 are not this form")
            << tenthsBlock({moved(5, 10, 1)}) << false << false << 0.0 << 0.0 << 0.0 << qint64(0);
        QTest::newRow("second of 60 is not this form")
            << tenthsBlock({moved(60, 0, 1)}) << false << false << 0.0 << 0.0 << 0.0 << qint64(0);
    }

    void tenthsRecords()
    {
        QFETCH(QByteArray, block);
        QFETCH(bool, tenthsForm);
        QFETCH(bool, fix);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, kmh);
        QFETCH(qint64, clock);
        FreeGpsBlockSample s;
        const FreeGpsOutcome outcome =
            decodeIndexedFreeGpsBlock(reinterpret_cast<const unsigned char *>(block.constData()),
                                      std::size_t(block.size()), &s);
        const bool isTenths = QString::fromLatin1(s.variant).contains(QLatin1String("tenths"));
        QCOMPARE(isTenths, tenthsForm);
        if (!tenthsForm)
            return;
        QCOMPARE(outcome, FreeGpsOutcome::Decoded);
        QVERIFY(s.localTime);
        QCOMPARE(s.sample.fix, fix);
        QCOMPARE(qint64(s.sample.clock), clock);
        QVERIFY2(std::fabs(s.sample.latitude - latitude) < 1e-6,
                 qPrintable(QString::number(s.sample.latitude, 'f', 8)));
        QVERIFY2(std::fabs(s.sample.longitude - longitude) < 1e-6,
                 qPrintable(QString::number(s.sample.longitude, 'f', 8)));
        QCOMPARE(s.sample.speedKmh, kmh);
        QVERIFY(!s.sample.hasCourse);
    }

    // Files of blocks listed by an index: the first, second and last second, and the track's
    // clock.
    void indexedFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("lines"); // -1: no track
        QTest::addColumn<QString>("problem");
        QVector<QByteArray> strings;
        for (int i = 0; i < 3; ++i)
            strings << stringsBlock("2232.500000", "11403.500000", i == 0 ? 'V' : 'A', "NE",
                                    "customer aa gps");
        QTest::newRow("masked strings, the first without a fix") << fileOf(strings) << 3 << QString();
        QTest::newRow("masked strings under a key not known")
            << fileOf({stringsBlock("2232.5", "11403.5", 'A', "NE", "another key")}) << -1
            << QStringLiteral("position is masked");
        QTest::newRow("labelled text blocks")
            << fileOf({textBlock("normal:2024/06/03 10:20:00 N:22.5 E:114.0 1.0 km/h"),
                       textBlock("normal:2024/06/03 10:20:01 N:22.5 E:114.0 1.0 km/h")})
            << 2 << QString();
        QTest::newRow("tenths records, the first second without a fix")
            << fileOf({tenthsBlock({{0, 0, 'V', "NE", 0, 0, 0}}),
                       tenthsBlock({{1, 0, 'A', "NE", 35405347, 139456071, 47}}),
                       tenthsBlock({{2, 0, 'A', "NE", 35405300, 139456000, 48}})})
            << 3 << QString();
        QTest::newRow("a block cut to 100 bytes is passed over")
            << fileOf({longHeadBlock(0, 'A', "NE", 2232.5f, 11403.5f).left(100),
                       longHeadBlock(1, 'A', "NE", 2232.5f, 11403.5f)})
            << 2 << QString();
    }

    void indexedFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        ReaderReport report;
        QCOMPARE(runReader(readIndexedFreeGps, file, &report), lines);
        QVERIFY2(QString::fromStdString(report.problem).contains(problem), report.problem.c_str());
    }
};

QTEST_GUILESS_MAIN(TestFreeGpsForms)
#include "tst_freegpsforms.moc"
