// GPS as text in a subtitle track, on samples and files built byte by byte: each text form
// decoded or refused, and damaged tracks (truncated, counts and offsets beyond the file, masked
// text of an unknown kind) ending in a failure, a problem text or the samples before the damage.
#include "bytebuilders.h"
#include "textforms.h"
#include "trackreaders.h"

#include <QtTest>

#include <string>

namespace {

using namespace bytebuilders;

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

QList<QByteArray> nmeaSamples(int n)
{
    QList<QByteArray> samples;
    for (int i = 0; i < n; ++i)
        samples << withLength(kRmc + "\r\n");
    return samples;
}

} // namespace

class TestTextTrack : public QObject
{
    Q_OBJECT

private slots:
    void forms_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("samples");
        QTest::addColumn<bool>("fix");
        const int none = int(TextForm::None);
        QTest::newRow("RMC") << kRmc << int(TextForm::Nmea) << 1 << true;
        QTest::newRow("RMC, bad checksum")
            << QByteArray(kRmc).replace("*44", "*45") << none << 0 << false;
        QTest::newRow("RMC without '$' between fields")
            << "gsensori,4,512,1,2,3;" + kRmc.mid(1) + ";CAR,0" << int(TextForm::Nmea) << 1 << true;
        QTest::newRow("two RMC in one sample")
            << kRmc + "\r\n" + kRmc << int(TextForm::Nmea) << 2 << true;
        QTest::newRow("RMC cut in its date") << kRmc.left(57) << none << 0 << false;
        QTest::newRow("GGA alone")
            << QByteArray("$GPGGA,081000.000,3351.8807,S,15112.4502,E,1,08,0.9,25.0,M,0.0,M,,")
            << int(TextForm::Nmea) << 1 << true;
        QTest::newRow("comma line")
            << QByteArray("A,050924,081000.000,3351.8807,S,15112.4502,E,012.5,35.0M,+00.1,-09.8,+00.2;")
            << int(TextForm::CommaLine) << 1 << true;
        QTest::newRow("comma line, no fix")
            << QByteArray("V,050924,081000.000,0000.0000,N,00000.0000,E,000.0,0.0M,+00.1,-09.8,+00.2;")
            << int(TextForm::CommaLine) << 1 << false;
        QTest::newRow("comma line, month 13")
            << QByteArray("A,051324,081000.000,3351.8807,S,15112.4502,E,012.5,35.0M;") << none << 0
            << false;
        QTest::newRow("comma line, cut") << QByteArray("A,050924,0810") << none << 0 << false;
        QTest::newRow("dash line")
            << QByteArray("$G:2024-09-05 08:10:00-S33.864678-E151.207503-S18$GS:3708,-2432,-361")
            << int(TextForm::DashLine) << 1 << true;
        QTest::newRow("dash line, cut after the time")
            << QByteArray("$G:2024-09-05 08:10:00") << int(TextForm::DashLine) << 1 << false;
        QTest::newRow("dash line, cut in the date") << QByteArray("$G:2024-09-0") << none << 0 << false;
        QTest::newRow("substitution, no accelerations")
            << QByteArray("ABCDEF*12~") << none << 0 << false;
        QTest::newRow("substitution, only the end") << QByteArray("*12~") << none << 0 << false;
        QTest::newRow("shifted, too short") << QByteArray("\0a*b\n", 5) << none << 0 << false;
        QTest::newRow("shifted, no RMC after the shift")
            << QByteArray("\0abcdefgh*ij\n", 13) << none << 0 << false;
        QTest::newRow("masked binary, one byte short")
            << QByteArray("\0\0\xf2\xe1\xf0\xee", 6) + QByteArray(275, char(0xaa)) << none << 0
            << false;
        QTest::newRow("masked binary, clock not digits")
            << QByteArray("\0\0\xf2\xe1\xf0\xee", 6) + QByteArray(290, char(0xaa)) << none << 0
            << false;
        QTest::newRow("Lat/Lon pairs")
            << QByteArray("Lat:22.541280 Lon:114.058500 Alt:35.2 m") << int(TextForm::KeyValue) << 1
            << true;
        QTest::newRow("Lat/Lon pairs, latitude out of range")
            << QByteArray("Lat:95.0 Lon:114.0") << none << 0 << false;
        QTest::newRow("Lat without Lon") << QByteArray("Lat:22.5 Alt:3 m") << none << 0 << false;
        QTest::newRow("telemetry line")
            << QByteArray("F/2.8, GPS (139.760118, 35.675578, 18), H.S 2.50m/s")
            << int(TextForm::Telemetry) << 1 << true;
        QTest::newRow("telemetry line, cut in the position")
            << QByteArray("F/2.8, GPS (139.760118") << none << 0 << false;
        QTest::newRow("chapter name") << QByteArray("Chapter 1") << none << 0 << false;
    }

    void forms()
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

    void damagedTracks_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("lines"); // -1: refused
        QTest::addColumn<QString>("problem");
        const QList<QByteArray> five = nmeaSamples(5);
        QTest::newRow("whole") << textTrackFile(five) << 5 << QString();
        QTest::newRow("QuickTime text format") << textTrackFile(five, "text") << 5 << QString();
        QTest::newRow("other format") << textTrackFile(five, "mp4s") << -1 << QString();
        QTest::newRow("cut in the third sample")
            << textTrackFile(five, "tx3g", {0, 0, 2 * 71 + 30}) << 2 << QString();
        QTest::newRow("cut in the movie box")
            << textTrackFile(five).left(200) << -1 << QString();
        QTest::newRow("sample count beyond the table")
            << textTrackFile(five, "tx3g", {0xffffffffu, 0, 0}) << 5 << QString();
        QTest::newRow("chunks beyond the file")
            << textTrackFile(five, "tx3g", {0, 0x10000000u, 0}) << -1 << QString();
        QTest::newRow("length word beyond the sample")
            << textTrackFile({be16(0xfff0) + kRmc}) << 1 << QString();
        QTest::newRow("subtitles without GPS")
            << textTrackFile({withLength("Hello"), withLength("World")}) << -1 << QString();
        QList<QByteArray> masked;
        for (int i = 0; i < 3; ++i)
            masked << withLength(QByteArray(40, char(0x9c)));
        QTest::newRow("masked in an unknown way")
            << textTrackFile(masked) << -1
            << "a tx3g subtitle track found, but its text is masked in a way not yet known";
        QTest::newRow("metadata track of another kind") << textTrackFile(masked, "gpmd") << -1
                                                        << QString();
    }

    void damagedTracks()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        VideoInput input;
        input.data = reinterpret_cast<const unsigned char *>(file.constData());
        input.size = std::size_t(file.size());
        TrackReport report;
        const int result = readTextTrack(input, nullptr, &report);
        QCOMPARE(result < 0 ? -1 : result, lines);
        QCOMPARE(QString::fromStdString(report.problem), problem);
    }
};

QTEST_GUILESS_MAIN(TestTextTrack)
#include "tst_texttrack.moc"
