// q-marl-track as a user runs it: exit codes, the exact track text on standard output, GPX and
// CSV that read back to the recorded fixes, the box probe, and several files in one run.
#include "trackfixtures.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <cmath>

namespace {
struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(QMARL_BIN_DIR "/q-marl-track"), args);
    Run r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

struct Point
{
    double lat, lon, speedMs;
    QString time;
};

double degrees(double nmea, char hemi)
{
    const double whole = std::floor(nmea / 100);
    const double d = whole + (nmea - whole * 100) / 60;
    return hemi == 'S' || hemi == 'W' ? -d : d;
}

// The valid fixes of a track text, read field by field: repeated lines count once.
QVector<Point> fixesOf(const QByteArray &text, bool speedIsKmh)
{
    QVector<Point> points;
    QByteArray previous;
    for (const QByteArray &line : text.split('\n')) {
        if (line.isEmpty() || line == previous)
            continue;
        previous = line;
        const QList<QByteArray> f = line.split(',');
        if (f.size() < 10 || line.at(0) != 'A')
            continue;
        const QByteArray t = f[0].mid(1);
        const QString iso =
            QStringLiteral("%1-%2-%3T%4:%5:%6Z")
                .arg(QString::fromLatin1(t.mid(0, 4)), QString::fromLatin1(t.mid(4, 2)),
                     QString::fromLatin1(t.mid(6, 2)), QString::fromLatin1(t.mid(8, 2)),
                     QString::fromLatin1(t.mid(10, 2)), QString::fromLatin1(t.mid(12, 2)));
        const double speed = f[5].toDouble();
        points.push_back({degrees(f[1].toDouble(), f[2].at(0)),
                          degrees(f[3].toDouble(), f[4].at(0)),
                          speedIsKmh ? speed / 3.6 : speed * 1852.0 / 3600.0, iso});
    }
    return points;
}
} // namespace

class TestTrackCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void writesTheTrackTextToStandardOutput_data()
    {
        QTest::addColumn<QString>("fixture");
        for (const char *f :
             {"gps0.mp4", "gpsindex-new.mp4", "freegps.mov", "tokyo.ts", "chip-end0.mp4"})
            QTest::newRow(f) << QString::fromLatin1(f);
    }

    void writesTheTrackTextToStandardOutput()
    {
        QFETCH(QString, fixture);
        const Run r = run({trackFixture(fixture)});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, readAll(expectedTrackPath(fixture)));
        // The readers' progress lines went to standard error, not into the track.
        QVERIFY(r.err.contains("RMCINFO size 80"));
        QVERIFY(r.err.contains(": 20 samples, layout ") || r.err.contains(": 19 samples, layout "));
    }

    void writesTheOutputFile()
    {
        const QString out = m_dir.filePath(QStringLiteral("track.txt"));
        const Run r =
            run({QStringLiteral("--output"), out, trackFixture(QStringLiteral("gps0.mp4"))});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(readAll(out), readAll(expectedTrackPath(QStringLiteral("gps0.mp4"))));
    }

    void kindOptionOverridesTheFileName()
    {
        const QString copy = m_dir.filePath(QStringLiteral("recording.bin"));
        QVERIFY(QFile::copy(trackFixture(QStringLiteral("gpsindex-old.mp4")), copy));
        const Run r = run({QStringLiteral("--kind"), QStringLiteral("1"), copy});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, readAll(expectedTrackPath(QStringLiteral("gpsindex-old.mp4"))));
    }

    void gpxReadsBackToTheRecordedFixes_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<bool>("speedIsKmh");
        QTest::newRow("gps0, jump repeated") << "gps0.mp4" << false;
        QTest::newRow("transport stream, Tokyo") << "tokyo.ts" << false;
        QTest::newRow("chip trailer, Sydney, km/h") << "chip-end5.mov" << true;
        QTest::newRow("hisilicon") << "hisilicon.mp4" << false;
    }

    void gpxReadsBackToTheRecordedFixes()
    {
        QFETCH(QString, fixture);
        QFETCH(bool, speedIsKmh);
        const Run r = run({QStringLiteral("--gpx"), trackFixture(fixture)});
        QCOMPARE(r.exitCode, 0);
        const QVector<Point> expected = fixesOf(readAll(expectedTrackPath(fixture)), speedIsKmh);
        QVERIFY(expected.size() >= 15);

        const QString gpxNs = QStringLiteral("http://www.topografix.com/GPX/1/1");
        QXmlStreamReader xml(r.out);
        QVector<Point> got;
        int segments = 0;
        bool inPoint = false;
        while (!xml.atEnd()) {
            if (!xml.readNext() || !xml.isStartElement())
                continue;
            const QStringRef name = xml.name();
            if (name == QLatin1String("gpx")) {
                QCOMPARE(xml.namespaceUri().toString(), gpxNs);
                QCOMPARE(xml.attributes().value(QLatin1String("version")).toString(),
                         QStringLiteral("1.1"));
            } else if (name == QLatin1String("trkseg")) {
                ++segments;
            } else if (name == QLatin1String("trkpt")) {
                QCOMPARE(xml.namespaceUri().toString(), gpxNs);
                got.push_back({xml.attributes().value(QLatin1String("lat")).toDouble(),
                               xml.attributes().value(QLatin1String("lon")).toDouble(), -1,
                               QString()});
                inPoint = true;
            } else if (inPoint && name == QLatin1String("time")) {
                got.last().time = xml.readElementText();
            } else if (inPoint && name == QLatin1String("speed")) {
                got.last().speedMs = xml.readElementText().toDouble();
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(segments, 1);
        // The chip trailer records no course, so none is claimed.
        QCOMPARE(r.out.contains("<gpxtpx:course>"), !speedIsKmh);
        QCOMPARE(got.size(), expected.size());
        for (int i = 0; i < got.size(); ++i) {
            QVERIFY2(std::fabs(got[i].lat - expected[i].lat) < 1e-6,
                     qPrintable(QString::number(i)));
            QVERIFY2(std::fabs(got[i].lon - expected[i].lon) < 1e-6,
                     qPrintable(QString::number(i)));
            QVERIFY2(std::fabs(got[i].speedMs - expected[i].speedMs) < 2e-3,
                     qPrintable(QString::number(i)));
            QCOMPARE(got[i].time, expected[i].time);
            QVERIFY(QDateTime::fromString(got[i].time, Qt::ISODate).isValid());
        }
    }

    void csvHasAHeaderAndOneRowPerFix()
    {
        const Run r = run({QStringLiteral("--csv"), trackFixture(QStringLiteral("freegps.mov"))});
        QCOMPARE(r.exitCode, 0);
        QList<QByteArray> rows = r.out.split('\n');
        QCOMPARE(rows.takeLast(), QByteArray());
        QCOMPARE(rows.takeFirst(), QByteArray("time,latitude,longitude,speed_mps,speed_kmh,course_"
                                              "deg,accel_x_g,accel_y_g,accel_z_g"));
        const QVector<Point> expected =
            fixesOf(readAll(expectedTrackPath(QStringLiteral("freegps.mov"))), false);
        QCOMPARE(rows.size(), expected.size());
        for (int i = 0; i < rows.size(); ++i) {
            const QList<QByteArray> f = rows[i].split(',');
            QCOMPARE(f.size(), 9);
            QCOMPARE(QString::fromLatin1(f[0]), expected[i].time);
            QVERIFY(std::fabs(f[1].toDouble() - expected[i].lat) < 1e-6);
            QVERIFY(std::fabs(f[2].toDouble() - expected[i].lon) < 1e-6);
        }
        // The raw counts become g: 256 per g for this layout (the route's z is 250..256).
        QVERIFY(std::fabs(rows[0].split(',')[8].toDouble() - 250.0 / 256.0) < 1e-4);
    }

    void aMissingFileDoesNotStopTheOthers()
    {
        const QString missing = m_dir.filePath(QStringLiteral("nope.mp4"));
        const Run r = run({missing, trackFixture(QStringLiteral("gps0.mp4")),
                           trackFixture(QStringLiteral("plain.mp4"))});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, readAll(expectedTrackPath(QStringLiteral("gps0.mp4"))));
        QVERIFY(r.err.contains(QFile::encodeName(missing) + ": cannot open the file\n"));
        QVERIFY(r.err.contains("plain.mp4: no track found\n"));
    }

    void severalFilesGiveOneTrackEach()
    {
        const Run r = run({QStringLiteral("--gpx"), trackFixture(QStringLiteral("gps0.mp4")),
                           trackFixture(QStringLiteral("tokyo.ts"))});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.count("<trk>"), 2);
        QCOMPARE(r.out.count("<trkseg>"), 2);
        QVERIFY(r.out.contains("<name>gps0.mp4</name>"));
    }

    void probeReportsLayoutBoxesAndSamples()
    {
        const Run r = run({QStringLiteral("--probe"), trackFixture(QStringLiteral("gps0.mp4"))});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("layout: gps0\n"));
        QVERIFY(r.out.contains("samples: 20\n"));
        QVERIFY(r.out.contains("  0 'ftyp' size 32\n"));
        QVERIFY(r.out.contains("'moov'"));
        QVERIFY(r.out.contains("    ")); // children of the movie box are indented
        QVERIFY(r.out.contains("'gps0' size 1768\n"));
        QVERIFY(!r.out.contains("walk stopped"));

        const Run ts = run({QStringLiteral("--probe"), trackFixture(QStringLiteral("plain.ts"))});
        QCOMPARE(ts.exitCode, 1);
        QVERIFY(ts.out.contains("layout: none\n"));
        QVERIFY(ts.out.contains("walk stopped"));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--frobnicate"),
                                                       trackFixture(QStringLiteral("gps0.mp4"))};
        QTest::newRow("bad kind") << QStringList{QStringLiteral("--kind"), QStringLiteral("7"),
                                                 trackFixture(QStringLiteral("gps0.mp4"))};
        QTest::newRow("two formats")
            << QStringList{QStringLiteral("--gpx"), QStringLiteral("--csv"),
                           trackFixture(QStringLiteral("gps0.mp4"))};
        QTest::newRow("no video") << QStringList{};
        QTest::newRow("missing option value") << QStringList{QStringLiteral("--output")};
    }

    void usageErrors()
    {
        QFETCH(QStringList, args);
        const Run r = run(args);
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.out, QByteArray());
        QVERIFY(r.err.startsWith("q-marl-track: "));
    }

    void help()
    {
        const Run r = run({QStringLiteral("--help")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("--gpx"));
        QVERIFY(r.out.contains("--probe"));
    }
};

QTEST_GUILESS_MAIN(TestTrackCli)
#include "tst_trackcli.moc"
