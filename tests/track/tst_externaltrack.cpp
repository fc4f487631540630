// Tracks recorded apart from the video: GPX, KML, NMEA and subtitle files, and side files.
#include "externaltrack.h"
#include "externaltracks.h"
#include "extracttrack.h"
#include "../support/testfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

namespace {

QByteArray gpx(const QByteArray &points)
{
    return "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" xmlns:x=\"urn:x\"><trk><trkseg>" + points +
           "</trkseg></trk></gpx>\n";
}

QByteArray trkpt(const char *lat, const char *time, const QByteArray &more = {})
{
    return QByteArray("<trkpt lat=\"") + lat + "\" lon=\"114.0534\"><ele>3</ele><time>" + time +
           "</time>" + more + "</trkpt>";
}

const QByteArray kRmc = "$GPRMC,235959.00,A,2232.472,N,11403.204,E,10.0,90.0,160524,,,A\r\n";

QString utc(int64_t ms)
{
    return ms == ExternalFix::kNoTime
               ? QString()
               : QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

} // namespace

class TestExternalTrack : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        return writeBytes(m_dir.filePath(name), bytes);
    }

private slots:
    void initTestCase() { setTrackDiagnosticsStream(std::fopen("/dev/null", "w")); }

    void reads_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        // Fixes, duplicates dropped, reordered; the first fix's time, position, speed, course and
        // cue second; the last fix's time.
        QTest::addColumn<QString>("read");
        QTest::newRow("GPX, Z, speed and course in extensions")
            << "a.gpx"
            << gpx(trkpt("22.5412", "2024-05-16T10:00:00Z",
                         "<extensions><x:tp><x:speed>10</x:speed><x:course>90</x:course></x:tp></extensions>") +
                   trkpt("22.5413", "2024-05-16T10:00:01Z"))
            << "2 0 0 2024-05-16T10:00:00.000Z 22.5412 114.0534 36 90 -1 2024-05-16T10:00:01.000Z";
        QTest::newRow("GPX 1.0, +02:00, fractional seconds, speed")
            << "b.txt"
            << gpx(trkpt("-33.5", "2024-05-16T12:00:00.500+02:00", "<speed>5</speed>") +
                   trkpt("-33.6", "2024-05-16T11:00:01-0100"))
            << "2 0 0 2024-05-16T10:00:00.500Z -33.5 114.0534 18 nan -1 2024-05-16T12:00:01.000Z";
        QTest::newRow("KML gx:Track and a timed placemark")
            << "c.kml"
            << QByteArray("<kml xmlns:gx=\"urn:gx\"><Document><Placemark><gx:Track>"
                          "<when>2024-05-16T10:00:01Z</when><when>2024-05-16T10:00:02Z</when>"
                          "<gx:coord>114.0534 22.5412 3</gx:coord><gx:coord>114.0535 22.5413 3</gx:coord>"
                          "</gx:Track></Placemark><Placemark><TimeStamp><when>2024-05-16T10:00:00Z</when>"
                          "</TimeStamp><Point><coordinates>114.05,22.54,0</coordinates></Point></Placemark>"
                          "<Placemark><Point><coordinates>1,2</coordinates></Point></Placemark></Document></kml>")
            << "3 0 1 2024-05-16T10:00:00.000Z 22.54 114.05 nan nan -1 2024-05-16T10:00:02.000Z";
        QTest::newRow("NMEA log, RMC and GGA over midnight")
            << "d.log"
            << QByteArray("# logger\n$GPGGA,235958.00,2232.000,N,11403.000,E,1,08,0.9,10,M,0,M,,\n" + kRmc +
                          "$GPGGA,235959.00,2232.472,N,11403.204,E,1,08,0.9,10,M,0,M,,\n"
                          "$GPGGA,000000.00,2232.480,N,11403.210,E,1,08,0.9,10,M,0,M,,\n"
                          "$GPRMC,000000.00,A,2232.480,N,11403.210,E,0.0,90.0,170524,,,A\n"
                          "$GPGGA,000001.00,2232.490,N,11403.220,E,1,08,0.9,10,M,0,M,,\n")
            << "3 0 0 2024-05-16T23:59:59.000Z 22.5412 114.0534 18.52 90 -1 2024-05-17T00:00:01.000Z";
        QTest::newRow("subtitles, letters, comma pair, GPS: form")
            << "e.srt"
            << QByteArray("1\r\n00:00:00,000 --> 00:00:01,000\r\n2024/05/16 12:30:05 S22.5412 W114.0534 45km/h\r\n\r\n"
                          "2\n00:00:01,000 --> 00:00:02,000\n2024-05-16 12:30:06\n22.5413,114.0535 28mph\n\n"
                          "3\n00:00:02,000 --> 00:00:03,000\nGPS: 22.541400 114.053600 50 km/h\n\n"
                          "4\n00:00:03,000 --> 00:00:04,000\nNo GPS\n")
            << "3 0 0 2024-05-16T12:30:05.000Z -22.5412 -114.0534 45 nan 0 ";
        QTest::newRow("subtitles, south-west, late cue")
            << "f.srt" << QByteArray("7\n00:01:02,500 --> 00:01:03,000\n33.8647S 151.2093W 28 MPH\n")
            << "1 0 0  -33.8647 -151.2093 45.06163 nan 62.5 ";
        QTest::newRow("out of order, a repeated instant")
            << "g.gpx"
            << gpx(trkpt("1", "2024-05-16T10:00:01Z") + trkpt("2", "2024-05-16T10:00:00Z") +
                   trkpt("3", "2024-05-16T10:00:00Z"))
            << "2 1 1 2024-05-16T10:00:00.000Z 2 114.0534 nan nan -1 2024-05-16T10:00:01.000Z";
    }

    void reads()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const ExternalTrack t = readExternalTrack(write(name, bytes));
        QVERIFY2(t.ok(), qPrintable(t.error));
        const ExternalFix &f = t.fixes.first();
        const QString read = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10")
                                 .arg(t.fixes.size())
                                 .arg(t.duplicatesDropped)
                                 .arg(int(t.reordered))
                                 .arg(utc(f.utcMs))
                                 .arg(f.latitude, 0, 'g', 7)
                                 .arg(f.longitude, 0, 'g', 7)
                                 .arg(f.speedKmh, 0, 'g', 7)
                                 .arg(f.course, 0, 'g', 7)
                                 .arg(f.recordingSecond)
                                 .arg(utc(t.fixes.last().utcMs));
        QTEST(read, "read");
        for (int i = 1; i < t.fixes.size(); ++i)
            QVERIFY(t.fixes[i].utcMs > t.fixes[i - 1].utcMs ||
                    t.fixes[i].recordingSecond > t.fixes[i - 1].recordingSecond);
    }

    void refuses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // null: no file
        QTest::addColumn<qint64>("mostBytes");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("told"); // in the user's language
        const qint64 most = kMostExternalTrackBytes;
        const QByteArray point = trkpt("1", "2024-05-16T10:00:00Z");
        QTest::newRow("not XML") << "r1.gpx" << QByteArray("hello") << most
                                 << "r1.gpx is not a well-formed XML file"
                                 << "r1.gpx 不是格式正确的 XML 文件";
        QTest::newRow("XML cut short") << "r2.gpx" << gpx(point).left(80) << most
                                       << "r2.gpx is not a well-formed XML file"
                                       << "r2.gpx 不是格式正确的 XML 文件";
        QTest::newRow("neither GPX nor KML") << "r3.gpx" << QByteArray("<html><body/></html>") << most
                                             << "r3.gpx is neither GPX nor KML" << "r3.gpx 既不是 GPX 也不是 KML";
        QTest::newRow("a point without a time")
            << "r4.gpx" << gpx(point + "<trkpt lat=\"2\" lon=\"3\"></trkpt>") << most
            << "r4.gpx has points without a time" << "r4.gpx 有不带时间的点";
        QTest::newRow("KML of an untimed path")
            << "r5.kml"
            << QByteArray("<kml><Placemark><LineString><coordinates>1,2,0 3,4,0</coordinates>"
                          "</LineString></Placemark></kml>")
            << most << "r5.kml has points without a time" << "r5.kml 有不带时间的点";
        QTest::newRow("no position") << "r6.gpx" << gpx("") << most << "r6.gpx holds no position"
                                     << "r6.gpx 不含任何位置";
        QTest::newRow("NMEA without a fix")
            << "r7.nmea" << QByteArray("$GPRMC,235959.00,V,,,,,,,160524,,,N\n") << most
            << "r7.nmea holds no position" << "r7.nmea 不含任何位置";
        QTest::newRow("too large") << "r8.gpx" << gpx(QByteArray(1 << 20, ' ')) << qint64(1 << 20)
                                   << "r8.gpx is larger than 1 MB" << "r8.gpx 太大，不能作为轨迹读取";
        QTest::newRow("missing") << "r9.gpx" << QByteArray() << most << "cannot read r9.gpx" << "无法读取 r9.gpx";
    }

    void refuses()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, mostBytes);
        const QString path = bytes.isNull() ? m_dir.filePath(name) : write(name, bytes);
        const ExternalTrack t = readExternalTrack(path, mostBytes);
        QTEST(t.error, "error");
        QTEST(ExternalTracks::refusalText(t), "told");
        QVERIFY(t.fixes.isEmpty());
    }

    void findsSideFile_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<QStringList>("beside");
        QTest::addColumn<QString>("found");
        QTest::newRow("upper case, NMEA before subtitles")
            << "s1/a.MP4" << QStringList{"a.srt", "a.NMEA", "a.MP4"} << "a.NMEA";
        QTest::newRow("GPX before LOG") << "s2/b.c.mov" << QStringList{"b.c.log", "b.c.Gpx", "b.gpx"}
                                        << "b.c.Gpx";
        QTest::newRow("wildcard characters and spaces in the name")
            << "s3/clip [1]*.MP4" << QStringList{"clip [1]*.log", "clip 1.nmea"} << "clip [1]*.log";
        QTest::newRow("none") << "s4/c.MP4" << QStringList{"c.txt", "cc.nmea", "c.MP4.nmea"} << "";
    }

    void findsSideFile()
    {
        QFETCH(QString, video);
        QFETCH(QStringList, beside);
        const QString dir = QFileInfo(m_dir.filePath(video)).path();
        for (const QString &n : beside)
            write(QFileInfo(video).path() + QLatin1Char('/') + n, "x");
        const QString found = sideTrackFileOf(m_dir.filePath(video));
        QTEST(found.isEmpty() ? QString() : QFileInfo(found).fileName(), "found");
        QVERIFY(found.isEmpty() || QFileInfo(found).path() == dir);
    }

    void extractsSideFile_data()
    {
        QTest::addColumn<QString>("side");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lines"); // below 0: no track
        QTest::addColumn<QString>("report");
        QTest::newRow("NMEA beside a video without a track")
            << "x1.nmea"
            << QByteArray(kRmc + "$GPRMC,000001.00,A,2232.480,N,11403.210,E,0.0,90.0,170524,,,A\n") << 3
            << "side-file side file: x1.nmea";
        QTest::newRow("a refused side file") << "x2.gpx" << QByteArray("<html/>") << -1
                                              << "none side file refused: x2.gpx is neither GPX nor KML";
    }

    void extractsSideFile()
    {
        QFETCH(QString, side);
        QFETCH(QByteArray, bytes);
        QFETCH(int, lines);
        const QString video = write(QFileInfo(side).completeBaseName() + ".MP4", "not a video");
        write(side, bytes);
        const QString text = video + ".txt";
        const TrackExtraction e = extractTrackReport(QFile::encodeName(video).constData(),
                                                     QFile::encodeName(text).constData(), 1);
        QCOMPARE(e.ok(), lines >= 0);
        const TrackReport &r = e.report;
        const QString report = QString::fromLatin1(trackLayoutName(r.layout)) + ' ' +
                               QString::fromStdString(lines >= 0 ? r.variant : r.problem);
        QTEST(report, "report");
        if (lines < 0)
            return;
        QFile f(text);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> written = f.readAll().split('\n');
        QCOMPARE(written.size() - 1, lines);
        QVERIFY2(written.first().startsWith("A20240516235959,2232.472000,N,11403.204000,E,"),
                 written.first().constData());
        QVERIFY2(written.at(1).startsWith("V20240517000000,"), written.at(1).constData());
    }
};

QTEST_GUILESS_MAIN(TestExternalTrack)
#include "tst_externaltrack.moc"
