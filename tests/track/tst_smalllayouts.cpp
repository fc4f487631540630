// The layouts kept in a movie's own tracks and boxes, on files built byte by byte: records in a
// top-level user-data box, in a uuid atom, FMAS records and a RIFF trailer; timed-metadata tracks
// (GPMF "gpmd" items, camera motion "camm" records); GPS as text in a subtitle track. Damaged
// sizes, counts and records end in the lines that can be trusted or in a failure that says why;
// a layout recognised without a readable record says so.
#include "bytebuilders.h"
#include "textforms.h"

#include <QtTest>

namespace {

using namespace bytebuilders;

// A movie box holding only the given children.
QByteArray movie(const QByteArray &children)
{
    return box("moov", full("mvhd", QByteArray(96, '\0')) + children);
}

// ftyp, a movie box with one "gpmd" track of the given samples, one a second, then the samples.
QByteArray metadataTrackFile(const QList<QByteArray> &samples)
{
    return oneTrackFile(samples, "gpmd", "meta");
}

QByteArray fmasRecord(int month, char status)
{
    QByteArray r(160, '\0');
    r.replace(0, 4, "FMAS");
    r.replace(80, 4, "SAMM");
    r[96] = char(0xe8); // 2024
    r[97] = char(0x07);
    r[98] = char(month);
    r[99] = 5;
    r[100] = 8;
    r[120] = status;
    r[121] = 'E';
    r[122] = 'N';
    r[123] = 114;
    r[124] = 3;
    r[128] = 22;
    r[129] = 32;
    return r;
}

const QByteArray kUserDataHead = "VIDEO" + QByteArray(22, 'U');
const QByteArray kUserDataRecord =
    "\xfe\xfe"
    "20240905085000.20240905085001\x03N22324768E114035100+0058009+001+002+998";

// moov/udta/TTMD/TTAD with a 76-byte head and the given records.
QByteArray binaryUserData(const QByteArray &records)
{
    return ftyp() + movie(box("udta", box("TTMD", box("TTAD", QByteArray(76, '\0') + records))));
}
QByteArray timecode(quint32 ms)
{
    return QByteArray(1, '\xff') + le32(ms);
}
QByteArray binaryFix()
{
    QByteArray body(92, '\0');
    setLeDouble(body, 0, 1725526680.0);
    setLeDouble(body, 0x0c, 5.0);
    setLeDouble(body, 0x1c, 35.675);
    setLeDouble(body, 0x24, 139.76);
    return QByteArray(1, '\x05') + body;
}

QByteArray uuidRecords(int count, int extra)
{
    QByteArray p("\x9b\x63\x0f\x8d\x63\x74\x40\xec\x82\x04\xbc\x5f\xf5\x09\x17\x28", 16);
    p += QByteArray(17, '\0');
    for (int i = 0; i < count; ++i)
        p += be32(3808724400u + quint32(i)) + be16(20) + QByteArray(6, '\0') + be32(0x10000000) +
             be32(0x50000000);
    return movie(box("uuid", p + QByteArray(extra, '\x01')));
}

QByteArray aitg(int month, quint32 ms = 0)
{
    QByteArray r = "AITG" + leDouble(2232.4768) + leDouble(11403.51);
    r += QByteArray("\xff\xff\0\0\x05\0", 6);
    r += QByteArray(1, char(124)) + char(month) + QByteArray("\x05\x08\x38\x00", 4);
    r += QByteArray("\x10\x01\x01\x40", 4) + le32(ms);
    return r;
}
QByteArray chunk(const char *tag, const QByteArray &data, int claimed = -1)
{
    return QByteArray(tag, 4) + le32(quint32(claimed < 0 ? data.size() : claimed)) + data;
}
QByteArray riffFile(const QByteArray &trailer)
{
    return ftyp() + movie({}) + trailer;
}

QByteArray klv(const char *key, char type, int structSize, int repeat, const QByteArray &payload)
{
    QByteArray b = QByteArray(key, 4) + type + char(structSize) + be16(quint16(repeat)) + payload;
    while (b.size() % 4)
        b += '\0';
    return b;
}
QByteArray nest(const char *key, const QByteArray &items)
{
    return klv(key, '\0', 4, items.size() / 4, items);
}

QByteArray scal5()
{
    return klv("SCAL", 'l', 4, 5,
               be32(10000000) + be32(10000000) + be32(1000) + be32(1000) + be32(100));
}
// count GPS5 points near Lisbon at 10 m/s.
QByteArray gps5Points(int count)
{
    QByteArray b;
    for (int k = 0; k < count; ++k)
        b += be32(quint32(387071000 + k)) + be32(quint32(qint32(-91357000 - k))) + be32(50000) +
             be32(10000) + be32(1000);
    return b;
}
QByteArray gpsStream(const QByteArray &before, const QByteArray &gps5)
{
    return nest("DEVC", nest("STRM", before + scal5() + gps5));
}
QByteArray gpsu()
{
    return klv("GPSU", 'U', 16, 1, "240802101500.000");
}

QByteArray cammHead(quint16 type)
{
    return le32(quint32(type) << 16);
}
QByteArray camm6(int mode, double lat, double lon)
{
    QByteArray r =
        cammHead(6) + leDouble(1406627700.0) + le32(quint32(mode)) + leDouble(lat) + leDouble(lon);
    for (float v : {10.0f, 2.0f, 3.0f, 3.0f, 4.0f, 0.0f, 0.5f})
        r += leFloat(v);
    return r;
}

const QByteArray kRmc = "$GPRMC,081000.000,A,3351.8807,S,15112.4502,E,4.9,87.0,050924,,,A*44";

// ftyp, a movie box with one text track of the given samples, one a second, then the samples.
QByteArray textTrackFile(const QList<QByteArray> &samples, const char *format = "tx3g",
                         const TrackDamage &damage = {})
{
    return oneTrackFile(samples, format, "text", damage);
}

QByteArray withLength(const QByteArray &text)
{
    return be16(quint16(text.size())) + text;
}

QList<QByteArray> copies(int n, const QByteArray &sample)
{
    QList<QByteArray> list;
    while (list.size() < n)
        list << sample;
    return list;
}

} // namespace

class TestSmallLayouts : public QObject
{
    Q_OBJECT

private slots:
    void readers_data()
    {
        QTest::addColumn<int>("reader");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("lines"); // -1: refused
        QTest::addColumn<QString>("problem");
        const int Udta = 0, Uuid = 1, Fmas = 2, Riff = 3, Text = 4;
        const QString none;

        QTest::newRow("user data, record cut in its time")
            << Udta << ftyp() + box("udta", kUserDataHead + kUserDataRecord.left(20)) << -1
            << "a user-data box of GPS records found, but no record could be read";
        QTest::newRow("user data, record cut in its position")
            << Udta << ftyp() + box("udta", kUserDataHead + kUserDataRecord.left(40)) << 1 << none;
        QTest::newRow("user data of another kind")
            << Udta << ftyp() + box("udta", QByteArray(64, 'x')) << -1 << none;

        QTest::newRow("binary user data, lost bytes then a close timecode")
            << Udta << binaryUserData(QByteArray("\x07\x09") + timecode(200) + binaryFix()) << 1
            << none;
        QTest::newRow("binary user data, lost bytes then a distant timecode")
            << Udta << binaryUserData(QByteArray("\x07") + timecode(5000) + binaryFix()) << -1
            << "binary GPS records in the user data found, but none could be read";
        QTest::newRow("binary user data, fix cut short")
            << Udta << binaryUserData(timecode(0) + binaryFix().left(50)) << -1
            << "binary GPS records in the user data found, but none could be read";

        QTest::newRow("uuid, a cut record after two")
            << Uuid << ftyp() + uuidRecords(2, 19) << 2 << none;
        QTest::newRow("uuid, head only") << Uuid << ftyp() + uuidRecords(0, 10) << -1
                                         << "a GPS uuid atom found, but it holds no records";
        QTest::newRow("uuid at the top level")
            << Uuid << ftyp() + uuidRecords(3, 0).mid(8 + 108) << -1 << none;

        QTest::newRow("FMAS, month 13") << Fmas << metadataTrackFile({fmasRecord(13, 'A')}) << -1
                                        << "FMAS records found, but none holds a valid date";
        QTest::newRow("FMAS, other metadata")
            << Fmas << metadataTrackFile({QByteArray(160, 'x')}) << -1 << none;

        const QByteArray gpsa = chunk("gpsa", QByteArray(8, '\x01'));
        QTest::newRow("RIFF, fixes cut by the end of the file")
            << Riff << riffFile(gpsa + chunk("gps0", aitg(9) + aitg(9, 1000).left(30), 4000)) << 1
            << none;
        QTest::newRow("RIFF, accelerations cut by the end of the file")
            << Riff
            << riffFile(chunk("gps0", aitg(9) + aitg(9, 3000)) +
                        chunk("gsen", QByteArray("AITS\x01\x02\x18\xff", 8) + le32(0), 400))
            << 1 << none;
        QTest::newRow("RIFF, month 13 gives no clock, the fix stays")
            << Riff << riffFile(chunk("gps0", aitg(13))) << 1 << none;
        QTest::newRow("RIFF, record of another tag ends the chunk")
            << Riff << riffFile(chunk("gps0", aitg(9) + "XXXX" + aitg(9).mid(4))) << 1 << none;
        QTest::newRow("RIFF, zero tag ends the list")
            << Riff << riffFile(gpsa + QByteArray(8, '\0') + chunk("gps0", aitg(9))) << -1
            << "a RIFF trailer found, but it holds no GPS fixes";
        QTest::newRow("RIFF, accelerations only")
            << Riff << riffFile(chunk("gsen", QByteArray("AITS\x01\x02\x18\xff", 8) + le32(0)))
            << -1 << "a RIFF trailer found, but it holds no GPS fixes";

        const QList<QByteArray> five = copies(5, withLength(kRmc + "\r\n"));
        QTest::newRow("text, other format") << Text << textTrackFile(five, "mp4s") << -1 << none;
        QTest::newRow("text, sample count beyond the table")
            << Text << textTrackFile(five, "tx3g", {0xffffffffu, 0}) << 5 << none;
        QTest::newRow("text, chunks beyond the file")
            << Text << textTrackFile(five, "tx3g", {0, 0x10000000u}) << -1 << none;
        QTest::newRow("text, length word beyond the sample")
            << Text << textTrackFile({be16(0xfff0) + kRmc}) << 1 << none;
        QTest::newRow("text, subtitles without GPS")
            << Text << textTrackFile({withLength("Hello"), withLength("World")}) << -1 << none;
        const QList<QByteArray> masked = copies(3, withLength(QByteArray(40, char(0x9c))));
        QTest::newRow("text, masked in an unknown way")
            << Text << textTrackFile(masked) << -1
            << "a tx3g subtitle track found, but its text is masked in a way not yet known";
        QTest::newRow("text, metadata track of another kind")
            << Text << textTrackFile(masked, "gpmd") << -1 << none;
    }

    void readers()
    {
        QFETCH(int, reader);
        QFETCH(QByteArray, file);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        const TrackReader readers[] = {readUdtaGps, readUuidGps, readFmasBox, readRiffTrailer,
                                       readTextTrack};
        TrackReport report;
        const int result = runReader(readers[reader], file, &report);
        QCOMPARE(result < 0 ? -1 : result, lines);
        QCOMPARE(QString::fromStdString(report.problem), problem);
    }

    void metadataTracks_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("sample");
        QTest::addColumn<int>("lines");       // -1: no track
        QTest::addColumn<QString>("problem"); // part of the reason given, or empty
        QTest::addColumn<bool>("fix");        // the first line has a fix

        const QString gpmd = QStringLiteral("gpmd"), camm = QStringLiteral("camm");
        QTest::newRow("GPS5 without GPSU still has its fixes")
            << gpmd << gpsStream({}, klv("GPS5", 'l', 20, 10, gps5Points(10))) << 1 << QString()
            << true;
        QTest::newRow("GPSF 0 with a time: a no-fix line")
            << gpmd
            << gpsStream(gpsu() + klv("GPSF", 'L', 4, 1, be32(0)),
                         klv("GPS5", 'l', 20, 10, gps5Points(10)))
            << 1 << QString() << false;
        QTest::newRow("GPSF 0 without a time")
            << gpmd
            << gpsStream(klv("GPSF", 'L', 4, 1, be32(0)), klv("GPS5", 'l', 20, 10, gps5Points(10)))
            << -1 << "none of its GPS points" << false;
        QTest::newRow("repeat beyond the stream")
            << gpmd
            << gpsStream(gpsu(), klv("GPS5", 'l', 20, 10, gps5Points(10)).replace(6, 2, be16(11)))
            << -1 << "damaged" << false;
        QTest::newRow("stream larger than its device")
            << gpmd << nest("DEVC", QByteArray("STRM") + '\0' + char(4) + be16(200) + gpsu()) << -1
            << "damaged" << false;
        QByteArray deep = klv("GPS5", 'l', 20, 1, gps5Points(1));
        for (int i = 0; i < 40; ++i)
            deep = nest(i % 2 ? "DEVC" : "STRM", deep);
        QTest::newRow("nesting without end") << gpmd << deep << -1 << "damaged" << false;
        QTest::newRow("zero divisor")
            << gpmd
            << nest("DEVC", nest("STRM", klv("SCAL", 'l', 4, 1, be32(0)) +
                                             klv("GPS5", 'l', 20, 10, gps5Points(10))))
            << -1 << "none of its GPS points" << false;
        QTest::newRow("GPS5 of too few elements")
            << gpmd << gpsStream(gpsu(), klv("GPS5", 'l', 16, 1, gps5Points(1).left(16))) << -1
            << "no GPS stream" << false;
        QTest::newRow("GPS9 whose TYPE is too short")
            << gpmd
            << nest("DEVC", nest("STRM", klv("TYPE", 'c', 1, 2, "ll") +
                                             klv("GPS9", '?', 32, 1, QByteArray(32, '\1'))))
            << -1 << "no GPS stream" << false;
        QTest::newRow("not GPMF items: left to the other readers")
            << gpmd << QByteArray("FMAS\0\0\0\0", 8) + QByteArray(64, 'x') << -1 << QString()
            << false;
        QTest::newRow("camm measure mode 0")
            << camm << camm6(0, 38.7071, -9.1357) << 1 << QString() << false;
        QTest::newRow("camm record cut short")
            << camm << camm6(3, 38.7071, -9.1357).left(40) << -1 << QString() << false;
        QTest::newRow("camm unknown record type")
            << camm << cammHead(9) + camm6(3, 38.7071, -9.1357) << -1 << QString() << false;
        QTest::newRow("camm acceleration only")
            << camm << cammHead(3) + leFloat(0) + leFloat(0) + leFloat(9.8f) << -1
            << "no GPS records" << false;
    }

    void metadataTracks()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, sample);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        QFETCH(bool, fix);
        TrackReport report;
        QByteArray text;
        const int result =
            runReader(format == QLatin1String("gpmd") ? readGpmfTrack : readCammTrack,
                      oneTrackFile({sample}, qPrintable(format), "meta"), &report, &text);
        QCOMPARE(result, lines);
        if (problem.isEmpty())
            QVERIFY2(report.problem.empty(), report.problem.c_str());
        else
            QVERIFY2(QString::fromStdString(report.problem).contains(problem),
                     report.problem.c_str());
        if (lines < 0)
            return;
        QCOMPARE(text.startsWith('A'), fix);
    }

    void textForms_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("samples");
        QTest::addColumn<bool>("fix");
        const auto refused = [](const char *name, const QByteArray &text) {
            QTest::newRow(name) << text << int(TextForm::None) << 0 << false;
        };
        QTest::newRow("RMC without '$' between fields")
            << "gsensori,4,512,1,2,3;" + kRmc.mid(1) + ";CAR,0" << int(TextForm::Nmea) << 1 << true;
        QTest::newRow("two RMC in one sample")
            << kRmc + "\r\n" + kRmc << int(TextForm::Nmea) << 2 << true;
        QTest::newRow("GGA alone")
            << QByteArray("$GPGGA,081000.000,3351.8807,S,15112.4502,E,1,08,0.9,25.0,M,0.0,M,,")
            << int(TextForm::Nmea) << 1 << true;
        QTest::newRow("comma line, no fix")
            << QByteArray(
                   "V,050924,081000.000,0000.0000,N,00000.0000,E,000.0,0.0M,+00.1,-09.8,+00.2;")
            << int(TextForm::CommaLine) << 1 << false;
        refused("comma line, month 13",
                "A,051324,081000.000,3351.8807,S,15112.4502,E,012.5,35.0M;");
        QTest::newRow("dash line, cut after the time")
            << QByteArray("$G:2024-09-05 08:10:00") << int(TextForm::DashLine) << 1 << false;
        refused("substitution, no accelerations", "ABCDEF*12~");
        refused("shifted, no RMC after the shift", QByteArray("\0abcdefgh*ij\n", 13));
        const QByteArray maskedHead("\0\0\xf2\xe1\xf0\xee", 6);
        refused("masked binary, one byte short", maskedHead + QByteArray(275, char(0xaa)));
        refused("masked binary, clock not digits", maskedHead + QByteArray(290, char(0xaa)));
        refused("Lat/Lon pairs, latitude out of range", "Lat:95.0 Lon:114.0");
        refused("Lat without Lon", "Lat:22.5 Alt:3 m");
    }

    void textForms()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, form);
        QFETCH(int, samples);
        QFETCH(bool, fix);
        DecodedTrack track;
        TextSample s;
        s.data = reinterpret_cast<const unsigned char *>(text.constData());
        s.size = std::size_t(text.size());
        s.duration = 1;
        QCOMPARE(int(decodeTextSample(s, &track)), form);
        QCOMPARE(int(track.samples.size()), samples);
        if (samples > 0)
            QCOMPARE(track.samples.front().fix, fix);
    }
};

QTEST_GUILESS_MAIN(TestSmallLayouts)
#include "tst_smalllayouts.moc"
