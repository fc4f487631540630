// End to end: the extraction entry over real recordings in every embedded-track layout.
#include "carsignals.h"
#include "extracttrack.h"
#include "trackfixtures.h"
#include "../support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdio>

class TestTrackExtraction : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // A missing file never equals an expected text.
    static QByteArray readAll(const QString &path) { return readBytes(path, "<missing>"); }

private slots:
    void initTestCase() { setTrackDiagnosticsStream(std::fopen("/dev/null", "w")); }

    void extractsEveryLayout_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("layout");
        const QList<QPair<QString, QString>> byName{
            {"gps0", "gps0"},          {"gpsindex-", "gps-index"},      {"hisilicon", "hisilicon"},
            {"freegps.", "freegps"},   {"freegps-", "freegps-blocks"},  {"chip-end", "chip-trailer"},
            {"nmea-free-box", "nmea-free-box"}, {"nmea-nbmt", "nmea-nbmt"},
            {"texttrack-gga", "text-track-gga"}, {"gdat-", "gdat-json"},
            {"gpsdata-", "gpsdata-trailer"}, {"ligo-", "ligogps"}, {"nmea-", "nmea-atom"},
            {"udat-", "nmea-atom"}, {"gpmf-scanned", "gpmf-scanned"},
            {"texttrack-", "text-track"}, {"gpmf-", "gpmf-track"},      {"camm", "camm-track"},
            {"udta-", "udta-gps"},     {"uuid-", "uuid-gps"},           {"fmas-", "fmas-box"},
            {"riff-", "riff-trailer"}, {"gpmd-pairs-", "gpmd-scaled-pairs"},
            {"ssmd-", "ssmd-track"},   {"djmd-", "djmd-track"},
            {"ts-text-", "ts-text-records"}, {"ts-s-", "ts-s-records"},
            {"plain", "none"},         {"", "transport-stream"}};
        const QDir expected(trackFixture(QStringLiteral("expected")));
        for (const QString &text : expected.entryList({QStringLiteral("*.txt")}, QDir::Files)) {
            const QString fixture = text.chopped(4);
            const auto named = std::find_if(byName.cbegin(), byName.cend(), [&](const auto &n) {
                return fixture.startsWith(n.first) && (!n.first.isEmpty() || fixture.endsWith(".ts"));
            });
            QTest::newRow(qPrintable(fixture)) << fixture << (named == byName.cend() ? "?" : named->second);
        }
    }

    void extractsEveryLayout()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, layout);
        const bool succeeds = layout != QLatin1String("none");
        const int haisi = layout == QLatin1String("hisilicon") ? 1 : 0;
        const QString video = trackFixture(fixture);
        QVERIFY2(QFile::exists(video), qPrintable(video));
        const QString text = m_dir.filePath(fixture + QStringLiteral(".txt"));
        const TrackExtraction found =
            extractTrackReport(QFile::encodeName(video).constData(),
                               QFile::encodeName(text).constData(), containerKindForPath(video));
        const int result = found.result;
        QCOMPARE(result >= 0, succeeds);
        QCOMPARE(QString::fromLatin1(trackLayoutName(found.report.layout)),
                 succeeds ? layout : QStringLiteral("none"));
        QCOMPARE(found.report.fineGScale, haisi == 1);
        // The specified entry reports the HiSilicon scale through its thread's flag.
        QCOMPARE(extractTrack(QFile::encodeName(video).constData(),
                              QFile::encodeName(text).constData(), containerKindForPath(video)),
                 result);
        QCOMPARE(isHaisiTrack(), haisi);
        // The same bytes from memory (the fuzzers' way in) give the same outcome and text.
        const QByteArray bytes = readAll(video);
        const QString fromMemory = text + QStringLiteral(".memory");
        const TrackExtraction memory = extractTrackReportFromMemory(
            reinterpret_cast<const unsigned char *>(bytes.constData()), std::size_t(bytes.size()),
            QFile::encodeName(fromMemory).constData(), containerKindForPath(video));
        QCOMPARE(memory.result, result);
        QCOMPARE(memory.report.layout, found.report.layout);
        if (!succeeds)
            return;
        const QByteArray expected = readAll(expectedTrackPath(fixture));
        QCOMPARE(asExpected(fixture, readAll(text), expected), expected);
        QCOMPARE(asExpected(fixture, readAll(fromMemory), expected), expected);
    }

    // The car recorder's saved clips: the GPS track of the front file's SEI is the route's, and
    // the car's signals show the hard braking and the left blinker where the drive has them.
    void carRecordings_data()
    {
        QTest::addColumn<QString>("set");
        QTest::addColumn<double>("latitudeSign");
        QTest::newRow("west of Greenwich") << "car-west" << 1.0;
        QTest::newRow("south of the equator") << "car-south" << -1.0;
    }

    void carRecordings()
    {
        QFETCH(QString, set);
        QFETCH(double, latitudeSign);
        const QByteArray said = readAll(trackFixture(QStringLiteral("expected/car/%1.txt").arg(set)));
        QMap<QByteArray, QList<QByteArray>> facts;
        QList<QList<QByteArray>> route;
        bool inRoute = false;
        for (const QByteArray &line : said.split('\n')) {
            if (line.isEmpty())
                continue;
            if (inRoute)
                route << line.split(',');
            else if (line == "route")
                inRoute = true;
            else
                facts[line.split(' ').value(0)] = line.split(' ').mid(1);
        }
        QVERIFY2(route.size() >= 30, said.constData());
        const QString folder = trackFixture(QString::fromUtf8(facts.value("folder").value(0)));
        const QString front = folder + QLatin1Char('/') + QString::fromUtf8(facts.value("front").value(0));
        const int fps = facts.value("fps").value(0).toInt();
        const QString stem = QFileInfo(front).fileName().left(19);
        for (const char *camera : {"front", "back", "left_repeater", "right_repeater",
                                   "left_pillar", "right_pillar"})
            QVERIFY(QFile::exists(folder + QStringLiteral("/%1-%2.mp4").arg(stem, QLatin1String(camera))));
        const QJsonObject event =
            QJsonDocument::fromJson(readAll(folder + QStringLiteral("/event.json"))).object();
        QCOMPARE(event.value(QStringLiteral("timestamp")).toString(),
                 QDateTime::fromString(QFileInfo(folder).fileName(), QStringLiteral("yyyy-MM-dd_HH-mm-ss"))
                     .toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")));
        QVERIFY(event.value(QStringLiteral("est_lon")).toString().toDouble() < 0);
        QCOMPARE(event.value(QStringLiteral("est_lat")).toString().toDouble() * latitudeSign > 0, true);

        // The GPS track, second by second, as the route says: the local time from the name.
        const QString text = m_dir.filePath(set + QStringLiteral(".txt"));
        const TrackExtraction found = extractTrackReport(QFile::encodeName(front).constData(),
                                                         QFile::encodeName(text).constData(),
                                                         containerKindForPath(front));
        QVERIFY(found.ok());
        QCOMPARE(QString::fromLatin1(trackLayoutName(found.report.layout)),
                 QStringLiteral("sei-telemetry"));
        QVERIFY(found.report.localTime);
        const QList<QByteArray> lines = readAll(text).split('\n');
        const QDateTime start = QDateTime::fromString(stem, QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
        const auto degrees = [](const QByteArray &value, const QByteArray &hemisphere) {
            const double v = value.toDouble(), whole = std::floor(v / 100);
            const double d = whole + (v - whole * 100) / 60;
            return hemisphere == "S" || hemisphere == "W" ? -d : d;
        };
        for (const QList<QByteArray> &second : qAsConst(route)) {
            const int s = second.value(0).toInt();
            QVERIFY(s < lines.size());
            const QList<QByteArray> f = lines[s].split(',');
            QVERIFY2(f.size() >= 7 && f[0].startsWith('A'), lines[s].constData());
            QCOMPARE(f[0].mid(1), start.addSecs(s).toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1());
            QVERIFY2(qAbs(degrees(f[1], f[2]) - second[1].toDouble()) < 2e-6, lines[s].constData());
            QVERIFY2(qAbs(degrees(f[3], f[4]) - second[2].toDouble()) < 2e-6, lines[s].constData());
            QVERIFY2(qAbs(f[5].toDouble() - second[3].toDouble() * 3600 / 1852) < 0.006,
                     lines[s].constData());
            QVERIFY2(qAbs(f[6].toDouble() - second[4].toDouble()) < 0.051, lines[s].constData());
        }

        // The car's signals, frame by frame.
        QVector<CarSignalFrame> frames;
        QString problem;
        QVERIFY2(readCarSignals(front, &frames, &problem), qPrintable(problem));
        QCOMPARE(frames.size(), facts.value("frames").value(0).toInt());
        QCOMPARE(frames.last().time, double(frames.size() - 1) / fps);
        QCOMPARE(frames.first().gear, CarGear::Park);
        QCOMPARE(frames.last().gear, CarGear::Drive);
        // The hard braking: the first frame braking from which the car is 4 m/s slower a second
        // later.
        int hard = -1;
        for (int k = 0; k + fps < frames.size() && hard < 0; ++k)
            if (frames[k].brake && frames[k].speedMps - frames[k + fps].speedMps >= 4 - 1e-4)
                hard = k;
        QVERIFY(hard >= 0);
        QCOMPARE(int(std::floor(frames[hard].time + 1e-9)), facts.value("hard-brake").value(0).toInt());
        // The left blinker, never the right one.
        const QList<QByteArray> blinker = facts.value("left-blinker");
        QCOMPARE(blinker.size(), 2);
        int first = -1, last = -1;
        for (int k = 0; k < frames.size(); ++k) {
            QVERIFY(!frames[k].blinkerRight);
            if (frames[k].blinkerLeft) {
                first = first < 0 ? k : first;
                last = k;
            }
        }
        QCOMPARE(first, blinker[0].toInt());
        QCOMPARE(last, blinker[1].toInt());
        // The wheel turns left while the blinker is on, and the frame at a time is that time's.
        QVERIFY(std::any_of(frames.cbegin() + first, frames.cbegin() + last + 1,
                            [](const CarSignalFrame &f) { return f.steeringDeg < -90; }));
        QCOMPARE(carSignalFrameAt(frames, double(first) / fps + 0.5 / fps), first);
        QCOMPARE(carSignalFrameAt(frames, double(first) / fps - 0.5 / fps), first - 1);
    }

    // Every layout carries its own kind; the wrong kind finds only what every kind tries.
    void kindSelectsTheReaders_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("chip trailer is read for any kind") << "chip-end8.mp4" << 2 << true;
        QTest::newRow("transport stream read as mp4") << "tokyo.ts" << 1 << false;
        QTest::newRow("freeGPS read as transport stream") << "freegps.mov" << 2 << false;
    }

    void kindSelectsTheReaders()
    {
        QFETCH(QString, fixture);
        QFETCH(int, kind);
        QFETCH(bool, succeeds);
        const QString text = m_dir.filePath(QStringLiteral("kind.txt"));
        const int result = extractTrack(QFile::encodeName(trackFixture(fixture)).constData(),
                                        QFile::encodeName(text).constData(), kind);
        QCOMPARE(result >= 0, succeeds);
    }

    // A card pulled while recording cuts the file short: no track, or the seconds before the cut.
    void truncatedFilesGiveThePartBeforeTheCut_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<double>("kept"); // share of the file left
        for (const QString &fixture : fixturesWithTrack()) {
            for (double kept : {0.3, 0.7, 0.95, 0.9999})
                QTest::newRow(qPrintable(fixture + QStringLiteral(" cut at %1").arg(kept)))
                    << fixture << kept;
        }
    }
    void truncatedFilesGiveThePartBeforeTheCut()
    {
        QFETCH(QString, fixture);
        QFETCH(double, kept);
        const QByteArray whole = readAll(trackFixture(fixture));
        const QByteArray cut = whole.left(int(whole.size() * kept));
        const QString text = m_dir.filePath(QStringLiteral("cut.txt"));
        QFile::remove(text);
        const int result = extractTrackReportFromMemory(
            reinterpret_cast<const unsigned char *>(cut.constData()), std::size_t(cut.size()),
            QFile::encodeName(text).constData(), containerKindForPath(fixture)).result;
        if (result < 0)
            return;
        const QByteArray expected = readAll(expectedTrackPath(fixture));
        const QByteArray written = asExpected(fixture, readAll(text), expected);
        QVERIFY2(expected.startsWith(written),
                 qPrintable(QStringLiteral("%1 lines written, not a start of the %2 expected")
                                .arg(written.count('\n'))
                                .arg(expected.count('\n'))));
    }

    // The layout and its clock, or why a layout it recognised gave no track.
    void probeNamesTheLayout_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QStringList>("lines"); // each must appear in the report
        QTest::newRow("older layout")
            << "tokyo.ts"
            << QStringList{"layout: transport-stream", "clock: UTC", "samples: 20"};
        QTest::newRow("GPMF track with G-sensor") << "gpmf-gps5.mp4" << QStringList{"layout: gpmf-track", "variant: GPMF timed-metadata track, GPS5 scaled integers, 18 points a second, accelerometer", "g-sensor: yes"};
        QTest::newRow("user-data records, local time") << "udta-gps.mp4" << QStringList{"layout: udta-gps", "clock: local time (the file does not say which zone; written as UTC unchanged)", "g-sensor: yes"};
        QTest::newRow("freeGPS scanned, doubles with G-sensor") << "freegps-scan-doubles.mp4" << QStringList{"layout: freegps-blocks", "variant: found by scanning the media data, ddmm.mmmm doubles with hemisphere words", "g-sensor: yes"};
        QTest::newRow("freeGPS index, masked text") << "freegps-index-masked.mp4" << QStringList{"layout: freegps-blocks", "variant: listed by a gps index, masked ASCII text", "clock: UTC", "samples: 20"};
        QTest::newRow("no track") << "plain.mp4" << QStringList{"layout: none", "samples: 0"};
    }
    void probeNamesTheLayout()
    {
        QFETCH(QString, fixture);
        QFETCH(QStringList, lines);
        QProcess tool;
        tool.start(QStringLiteral(QMARL_BIN_DIR "/q-marl-track"),
                   {QStringLiteral("--probe"), trackFixture(fixture)});
        QVERIFY(tool.waitForFinished(60000));
        const QString report = QString::fromUtf8(tool.readAllStandardOutput());
        for (const QString &line : lines)
            QVERIFY2(report.contains(QLatin1Char('\n') + line + QLatin1Char('\n')),
                     qPrintable(report.left(600)));
    }

    // Children indented under their container, a 64-bit size, a last box of size 0 to the end.
    void probeWalksTheBoxes()
    {
        const QString path = writeBytes(m_dir.filePath(QStringLiteral("boxes.mp4")), QByteArray::fromHex(
            "00000010 66747970 69736f6d 00000000 00000018 6d6f6f76 00000010 6d766864"
            "0000000000000000 00000001 6d646174 0000000000000018 0000000000000000"
            "00000000 66726565 00000000"));
        QProcess tool;
        tool.start(QStringLiteral(QMARL_BIN_DIR "/q-marl-track"),
                   {QStringLiteral("--probe"), path});
        QVERIFY(tool.waitForFinished(60000));
        const QString report = QString::fromUtf8(tool.readAllStandardOutput());
        QVERIFY2(report.endsWith("\nboxes:\n  0 'ftyp' size 16\n  16 'moov' size 24\n    24 "
                                 "'mvhd' size 16\n  40 'mdat' size 24\n  64 'free' size 12\n"),
                 qPrintable(report));
    }

    // The exit status is 1 when any of the files is missing or gives no track.
    void exitStatusCountsEveryFile_data()
    {
        QTest::addColumn<QStringList>("videos");
        QTest::addColumn<int>("code");
        QTest::newRow("a track") << QStringList{"gps0.mp4"} << 0;
        QTest::newRow("a track, then a missing file") << QStringList{"gps0.mp4", "none.mp4"} << 1;
        QTest::newRow("no track, then a track") << QStringList{"plain.mp4", "gps0.mp4"} << 1;
    }
    void exitStatusCountsEveryFile()
    {
        QFETCH(QStringList, videos);
        QFETCH(int, code);
        for (QString &video : videos)
            video = trackFixture(video);
        QProcess tool;
        tool.start(QStringLiteral(QMARL_BIN_DIR "/q-marl-track"), videos);
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), code);
    }

    // The masked text of every block is spoilt, so that nothing unmasks to digits.
    void probeSaysWhyARecognisedLayoutGaveNothing()
    {
        QByteArray bytes = readAll(trackFixture(QStringLiteral("freegps-index-masked.mp4")));
        const QByteArray signature("\xaa\xaa\xf2\xe1\xf0\xee\x54\x54", 8);
        int spoilt = 0;
        for (int tag = bytes.indexOf("freeGPS "); tag >= 4; tag = bytes.indexOf("freeGPS ", tag + 1)) {
            const int block = tag - 4;
            if (bytes.mid(block + 18, 8) != signature)
                continue;
            bytes.replace(block + 26, 16, QByteArray(16, '\0'));
            ++spoilt;
        }
        QVERIFY(spoilt > 0);
        const QString path = m_dir.filePath(QStringLiteral("spoilt.mp4"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        QProcess tool;
        tool.start(QStringLiteral(QMARL_BIN_DIR "/q-marl-track"), {QStringLiteral("--probe"), path});
        QVERIFY(tool.waitForFinished(60000));
        const QString report = QString::fromUtf8(tool.readAllStandardOutput());
        QVERIFY2(report.contains(QStringLiteral("\nlayout: none\n")), qPrintable(report.left(600)));
        QVERIFY2(report.contains(QStringLiteral("\nnote: freeGPS blocks found, but their text is "
                                                "masked in a way not yet known\n")),
                 qPrintable(report.left(600)));
        QCOMPARE(tool.exitCode(), 1);
    }
};

QTEST_GUILESS_MAIN(TestTrackExtraction)
#include "tst_trackextraction.moc"
