// The layouts kept in a movie's own tracks and boxes, on files built byte by byte.
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

QByteArray fmasRecord(int month, char status)
{
    QByteArray r = "FMAS" + QByteArray(76, '\0') + "SAMM" + QByteArray(12, '\0');
    r += QByteArray("\xe8\x07") + char(month) + "\x05\x08" + QByteArray(19, '\0'); // 2024
    return r + status + "EN\x72\x03" + QByteArray(3, '\0') + "\x16\x20" + QByteArray(30, '\0');
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
QByteArray binaryFix()
{
    // Doubles 0, 0x0c, 0x1c and 0x24 bytes into a 92-byte body.
    return QByteArray(1, '\x05') + leDouble(1725526680.0) + QByteArray(4, '\0') + leDouble(5.0) +
           QByteArray(8, '\0') + leDouble(35.675) + leDouble(139.76) + QByteArray(48, '\0');
}

QByteArray uuidRecords(int count, int extra)
{
    QByteArray p =
        QByteArray("\x9b\x63\x0f\x8d\x63\x74\x40\xec\x82\x04\xbc\x5f\xf5\x09\x17\x28", 16) +
        QByteArray(17, '\0');
    for (int i = 0; i < count; ++i)
        p += be32(3808724400u + quint32(i)) + be16(20) + QByteArray(6, '\0') + be32(0x10000000) +
             be32(0x50000000);
    return movie(box("uuid", p + QByteArray(extra, '\x01')));
}

QByteArray aitg(int month, quint32 ms = 0)
{
    return "AITG" + leDouble(2232.4768) + leDouble(11403.51) + QByteArray("\xff\xff\0\0\x05\0", 6) +
           char(124) + char(month) + QByteArray("\x05\x08\x38\x00\x10\x01\x01\x40", 8) + le32(ms);
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
    const QByteArray scal5 = klv(
        "SCAL", 'l', 4, 5, be32(10000000) + be32(10000000) + be32(1000) + be32(1000) + be32(100));
    return nest("DEVC", nest("STRM", before + scal5 + gps5));
}
const QByteArray kGpsu = klv("GPSU", 'U', 16, 1, "240802101500.000");

// A record starts with its type in the upper half of a word.
QByteArray camm6(int mode, double lat, double lon)
{
    QByteArray r = le32(6u << 16) + leDouble(1406627700.0) + le32(quint32(mode)) + leDouble(lat) +
                   leDouble(lon);
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
        const auto row = [](const char *name, int reader, const QByteArray &file, int lines,
                            const char *problem = "") {
            QTest::newRow(name) << reader << file << lines << QString::fromLatin1(problem);
        };

        row("user data, record cut in its time", Udta,
            ftyp() + box("udta", kUserDataHead + kUserDataRecord.left(20)), -1,
            "a user-data box of GPS records found, but no record could be read");
        row("user data, record cut in its position", Udta,
            ftyp() + box("udta", kUserDataHead + kUserDataRecord.left(40)), 1);
        row("user data of another kind", Udta, ftyp() + box("udta", QByteArray(64, 'x')), -1);

        const char *unread = "binary GPS records in the user data found, but none could be read";
        row("binary user data, lost bytes then a close timecode", Udta,
            binaryUserData(QByteArray("\x07\x09\xff") + le32(200) + binaryFix()), 1);
        row("binary user data, lost bytes then a distant timecode", Udta,
            binaryUserData(QByteArray("\x07\xff") + le32(5000) + binaryFix()), -1, unread);
        row("binary user data, fix cut short", Udta,
            binaryUserData(QByteArray(1, '\xff') + le32(0) + binaryFix().left(50)), -1, unread);

        row("uuid, a cut record after two", Uuid, ftyp() + uuidRecords(2, 19), 2);
        row("uuid, head only", Uuid, ftyp() + uuidRecords(0, 10), -1,
            "a GPS uuid atom found, but it holds no records");
        row("uuid at the top level", Uuid, ftyp() + uuidRecords(3, 0).mid(8 + 108), -1);

        row("FMAS, month 13", Fmas, oneTrackFile({fmasRecord(13, 'A')}, "gpmd", "meta"), -1,
            "FMAS records found, but none holds a valid date");
        row("FMAS, other metadata", Fmas, oneTrackFile({QByteArray(160, 'x')}, "gpmd", "meta"), -1);

        const QByteArray gpsa = chunk("gpsa", QByteArray(8, '\x01'));
        const QByteArray aits = QByteArray("AITS\x01\x02\x18\xff", 8) + le32(0);
        const char *noFixes = "a RIFF trailer found, but it holds no GPS fixes";
        row("RIFF, fixes cut by the end of the file", Riff,
            riffFile(gpsa + chunk("gps0", aitg(9) + aitg(9, 1000).left(30), 4000)), 1);
        row("RIFF, accelerations cut by the end of the file", Riff,
            riffFile(chunk("gps0", aitg(9) + aitg(9, 3000)) + chunk("gsen", aits, 400)), 1);
        row("RIFF, month 13 gives no clock, the fix stays", Riff, riffFile(chunk("gps0", aitg(13))),
            1);
        row("RIFF, record of another tag ends the chunk", Riff,
            riffFile(chunk("gps0", aitg(9) + "XXXX" + aitg(9).mid(4))), 1);
        row("RIFF, zero tag ends the list", Riff,
            riffFile(gpsa + QByteArray(8, '\0') + chunk("gps0", aitg(9))), -1, noFixes);
        row("RIFF, accelerations only", Riff, riffFile(chunk("gsen", aits)), -1, noFixes);

        const QList<QByteArray> five = QVector<QByteArray>(5, withLength(kRmc + "\r\n")).toList();
        row("text, other format", Text, textTrackFile(five, "mp4s"), -1);
        row("text, sample count beyond the table", Text,
            textTrackFile(five, "tx3g", {0xffffffffu, 0}), 5);
        row("text, chunks beyond the file", Text, textTrackFile(five, "tx3g", {0, 0x10000000u}),
            -1);
        row("text, length word beyond the sample", Text, textTrackFile({be16(0xfff0) + kRmc}), 1);
        row("text, subtitles without GPS", Text,
            textTrackFile({withLength("Hello"), withLength("World")}), -1);
        const QList<QByteArray> masked =
            QVector<QByteArray>(3, withLength(QByteArray(40, char(0x9c)))).toList();
        row("text, masked in an unknown way", Text, textTrackFile(masked), -1,
            "a tx3g subtitle track found, but its text is masked in a way not yet known");
        row("text, metadata track of another kind", Text, textTrackFile(masked, "gpmd"), -1);
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
        const auto row = [](const char *name, const char *format, const QByteArray &sample,
                            int lines, const char *problem = "", bool fix = false) {
            QTest::newRow(name) << QString::fromLatin1(format) << sample << lines
                                << QString::fromLatin1(problem) << fix;
        };

        const QByteArray gps5 = klv("GPS5", 'l', 20, 10, gps5Points(10));
        const QByteArray gpsf0 = klv("GPSF", 'L', 4, 1, be32(0));
        row("GPS5 without GPSU still has its fixes", "gpmd", gpsStream({}, gps5), 1, "", true);
        row("GPSF 0 with a time: a no-fix line", "gpmd", gpsStream(kGpsu + gpsf0, gps5), 1);
        row("GPSF 0 without a time", "gpmd", gpsStream(gpsf0, gps5), -1, "none of its GPS points");
        row("repeat beyond the stream", "gpmd",
            gpsStream(kGpsu, QByteArray(gps5).replace(6, 2, be16(11))), -1, "damaged");
        row("stream larger than its device", "gpmd",
            nest("DEVC", QByteArray("STRM") + '\0' + char(4) + be16(200) + kGpsu), -1, "damaged");
        QByteArray deep = klv("GPS5", 'l', 20, 1, gps5Points(1));
        for (int i = 0; i < 40; ++i)
            deep = nest(i % 2 ? "DEVC" : "STRM", deep);
        row("nesting without end", "gpmd", deep, -1, "damaged");
        row("zero divisor", "gpmd",
            nest("DEVC", nest("STRM", klv("SCAL", 'l', 4, 1, be32(0)) + gps5)), -1,
            "none of its GPS points");
        row("GPS5 of too few elements", "gpmd",
            gpsStream(kGpsu, klv("GPS5", 'l', 16, 1, gps5Points(1).left(16))), -1, "no GPS stream");
        row("GPS9 whose TYPE is too short", "gpmd",
            nest("DEVC", nest("STRM", klv("TYPE", 'c', 1, 2, "ll") +
                                          klv("GPS9", '?', 32, 1, QByteArray(32, '\1')))),
            -1, "no GPS stream");
        row("not GPMF items: left to the other readers", "gpmd",
            QByteArray("FMAS\0\0\0\0", 8) + QByteArray(64, 'x'), -1);
        row("camm measure mode 0", "camm", camm6(0, 38.7071, -9.1357), 1);
        row("camm record cut short", "camm", camm6(3, 38.7071, -9.1357).left(40), -1);
        row("camm unknown record type", "camm", le32(9u << 16) + camm6(3, 38.7071, -9.1357), -1);
        row("camm acceleration only", "camm",
            le32(3u << 16) + leFloat(0) + leFloat(0) + leFloat(9.8f), -1, "no GPS records");
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
        QCOMPARE(runReader(format == QLatin1String("gpmd") ? readGpmfTrack : readCammTrack,
                           oneTrackFile({sample}, qPrintable(format), "meta"), &report, &text),
                 lines);
        const QString got = QString::fromStdString(report.problem);
        QVERIFY2(problem.isEmpty() ? got.isEmpty() : got.contains(problem), report.problem.c_str());
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
        QTest::addColumn<double>("longitude"); // of the first sample, where not 0
        const auto row = [](const char *name, const QByteArray &text,
                            TextForm form = TextForm::None, int samples = 0, bool fix = false,
                            double longitude = 0) {
            QTest::newRow(name) << text << int(form) << samples << fix << longitude;
        };
        row("RMC without '$' between fields", "gsensori,4,512,1,2,3;" + kRmc.mid(1) + ";CAR,0",
            TextForm::Nmea, 1, true);
        row("two RMC in one sample", kRmc + "\r\n" + kRmc, TextForm::Nmea, 2, true);
        row("GGA alone", "$GPGGA,081000.000,3351.8807,S,15112.4502,E,1,08,0.9,25.0,M,0.0,M,,",
            TextForm::Nmea, 1, true);
        row("comma line, no fix",
            "V,050924,081000.000,0000.0000,N,00000.0000,E,000.0,0.0M,+00.1,-09.8,+00.2;",
            TextForm::CommaLine, 1, false);
        row("comma line, west", "A,050924,081000.000,3351.8807,S,07015.0000,W,012.5,35.0M;",
            TextForm::CommaLine, 1, true, -70.25);
        row("comma line, month 13", "A,051324,081000.000,3351.8807,S,15112.4502,E,012.5,35.0M;");
        row("dash line, cut after the time", "$G:2024-09-05 08:10:00", TextForm::DashLine, 1);
        row("dash line, west", "$G:2024-09-05 08:10:00-S33.5-W70.25-S50", TextForm::DashLine, 1,
            true, -70.25);
        row("substitution, no accelerations", "ABCDEF*12~");
        row("shifted, no RMC after the shift", QByteArray("\0abcdefgh*ij\n", 13));
        const QByteArray maskedHead("\0\0\xf2\xe1\xf0\xee", 6);
        row("masked binary, one byte short", maskedHead + QByteArray(275, char(0xaa)));
        row("masked binary, clock not digits", maskedHead + QByteArray(290, char(0xaa)));
        row("Lat/Lon pairs, latitude out of range", "Lat:95.0 Lon:114.0");
        row("Lat without Lon", "Lat:22.5 Alt:3 m");
    }

    void textForms()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, form);
        QFETCH(int, samples);
        QFETCH(bool, fix);
        QFETCH(double, longitude);
        DecodedTrack track;
        const TextSample s{reinterpret_cast<const unsigned char *>(text.constData()),
                           std::size_t(text.size()), 0, 1};
        QCOMPARE(int(decodeTextSample(s, &track)), form);
        QCOMPARE(int(track.samples.size()), samples);
        if (samples > 0)
            QCOMPARE(track.samples.front().fix, fix);
        if (longitude != 0)
            QCOMPARE(track.samples.front().longitude, longitude);
    }
};

QTEST_GUILESS_MAIN(TestSmallLayouts)
#include "tst_smalllayouts.moc"
