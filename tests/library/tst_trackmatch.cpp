#include "clockshift.h"
#include "externaltracks.h"
#include "hwdefaultsettings.h"
#include "library.h"
#include "lufileinfomodel.h"
#include "lugpsmodel.h"
#include "trackmatch.h"
#include "videoduration.h"
#include "../support/testfiles.h"

#include <QDateTime>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <ctime>

namespace {
constexpr int timeout = 30000; // a busy two-core machine, under the sanitizers

QByteArray be32(uint32_t v)
{
    const char bytes[] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(bytes, 4);
}

// A movie of the given length in a movie header only: enough for its duration, no track.
QByteArray movieHeaderOnly(uint32_t scale, uint32_t units)
{
    const QByteArray mvhd = be32(8 + 100) + "mvhd" + QByteArray(12, '\0') + be32(scale) +
                            be32(units) + QByteArray(80, '\0');
    return be32(8 + mvhd.size()) + "moov" + mvhd;
}

// Two transport packets whose video heads carry presentation times first and last (90 kHz).
QByteArray streamSpanning(int64_t first, int64_t last)
{
    QByteArray stream;
    for (const int64_t pts : {first, last}) {
        QByteArray packet(188, char(0xff));
        const unsigned char head[] = {0x47, 0x41, 0x00, 0x10, 0, 0, 1, 0xe0, 0, 0, 0x80, 0x80, 5,
                                      uchar(0x21 | ((pts >> 29) & 0x0e)), uchar(pts >> 22),
                                      uchar(((pts >> 14) & 0xfe) | 1), uchar(pts >> 7),
                                      uchar((pts << 1) | 1)};
        packet.replace(0, int(sizeof head), reinterpret_cast<const char *>(head), int(sizeof head));
        stream += packet;
    }
    return stream;
}

// A track going north a thousandth of a degree a second from 22.5 N, one fix a second.
ExternalTrack northbound(int64_t startMs, int seconds)
{
    ExternalTrack track;
    for (int s = 0; s < seconds; ++s) {
        ExternalFix fix;
        fix.utcMs = startMs + s * 1000;
        fix.latitude = 22.5 + s * 0.001;
        fix.longitude = 114.0;
        track.fixes << fix;
    }
    return track;
}

QList<QByteArray> linesOf(const QString &path)
{
    return readBytes(path).split('\n');
}
} // namespace

// A track recorded apart from the videos, matched by time to recordings without one.
class TestTrackMatch : public QObject
{
    Q_OBJECT

private slots:
    void videoDuration_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<double>("seconds");
        QTest::newRow("movie header") << movieHeaderOnly(1000, 61500) << 61.5;
        QTest::newRow("transport stream") << streamSpanning(90000, 90000 * 181) << 180.0;
        QTest::newRow("stream past the wrap")
            << streamSpanning((int64_t(1) << 33) - 90000, 90000 * 9) << 10.0;
        QTest::newRow("cut before the header") << movieHeaderOnly(1000, 61500).left(40) << -1.0;
        QTest::newRow("not a video") << QByteArray("not a video at all\n") << -1.0;
    }
    void videoDuration()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(double, seconds);
        QTemporaryDir dir;
        writeBytes(dir.filePath("v.MP4"), bytes);
        QCOMPARE(videoDurationSeconds(QFile::encodeName(dir.filePath("v.MP4")).constData()), seconds);
    }

    // Line k of the cache holds the track's fix at the recording's clock (plus the shift) + k;
    // seconds before the track begins are no-fix lines, those after it are not written.
    void matchedSeconds_data()
    {
        QTest::addColumn<int>("trackFrom"); // seconds after the recording's start
        QTest::addColumn<int>("trackSeconds");
        QTest::addColumn<double>("shift");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("covered");
        QTest::addColumn<int>("firstFixLine");
        QTest::addColumn<double>("firstLatitude");
        QTest::newRow("covered") << -100 << 400 << 0.0 << 60 << 60 << 0 << 22.6;
        QTest::newRow("clock a minute slow") << -100 << 400 << 60.0 << 60 << 60 << 0 << 22.66;
        QTest::newRow("in part: from second 20") << 20 << 400 << 0.0 << 60 << 40 << 20 << 22.5;
        QTest::newRow("in part: ends at second 10") << -100 << 110 << 0.0 << 10 << 10 << 0 << 22.6;
        QTest::newRow("not at all") << 100 << 400 << 0.0 << 0 << 0 << -1 << 0.0;
    }
    void matchedSeconds()
    {
        QFETCH(int, trackFrom);
        QFETCH(int, trackSeconds);
        QFETCH(double, shift);
        QFETCH(int, lines);
        QFETCH(int, covered);
        QFETCH(int, firstFixLine);
        QFETCH(double, firstLatitude);
        QTemporaryDir dir;
        const int64_t start = 1715854500000; // 2024-05-16 10:15:00 UTC
        const QString cache = dir.filePath("cache.txt");
        const TrackMatch match = writeMatchedTrack(northbound(start + trackFrom * 1000, trackSeconds),
                                                   start, 60, shift, cache);
        QCOMPARE(match.lines, lines);
        QCOMPARE(match.coveredSeconds, covered);
        QCOMPARE(QFile::exists(cache), lines > 0);
        if (lines == 0)
            return;
        const QList<QByteArray> text = linesOf(cache);
        QCOMPARE(text.size(), lines + 1); // the last line ends the file
        QVERIFY(text[firstFixLine].startsWith('A'));
        QVERIFY(firstFixLine == 0 || text[firstFixLine - 1].startsWith('V'));
        const LuGPSModel point(text[firstFixLine].constData());
        QVERIFY2(qAbs(point.wgsLatitude - firstLatitude) < 1e-6, text[firstFixLine].constData());
    }

    // Also across a change of zone and past midnight.
    void theClockIsTheComputersZone_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("utc");
        QTest::newRow("UTC") << QByteArray("UTC") << "2024_0516_101500_001A.MP4"
                             << "2024-05-16T10:15:00Z";
        QTest::newRow("eight hours east, the day before in UTC")
            << QByteArray("Asia/Shanghai") << "2024_0516_051500_001A.MP4" << "2024-05-15T21:15:00Z";
        QTest::newRow("summer time in the west")
            << QByteArray("America/New_York") << "2024_0516_235959_001A.MP4" << "2024-05-17T03:59:59Z";
    }
    void theClockIsTheComputersZone()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, name);
        QFETCH(QString, utc);
        const QByteArray before = qgetenv("TZ");
        qputenv("TZ", zone);
        tzset();
        const LuFileInfoModel model(name, "/card/" + name);
        const int64_t start = recordingStartUtcMs(&model);
        qputenv("TZ", before);
        tzset();
        QCOMPARE(QDateTime::fromMSecsSinceEpoch(start, Qt::UTC).toString(Qt::ISODate), utc);
    }

    // A phone's GPX: the covered recording plays its positions; partial or missed ones say so.
    void aLoadedTrackGivesRecordingsTheirSeconds()
    {
        QTemporaryDir card;
        qputenv("TZ", "UTC");
        tzset();
        const QStringList names{"2024_0516_101500_001A.MP4", "2024_0516_101630_002A.MP4",
                                "2024_0516_120000_003A.MP4"};
        QStringList paths;
        for (const QString &name : names) {
            paths << card.filePath(name);
            writeBytes(paths.last(), movieHeaderOnly(1000, 60000));
        }
        writeBytes(card.filePath("phone.gpx"),
                   phoneGpx(QDateTime(QDate(2024, 5, 16), QTime(10, 15), Qt::UTC), 0, 120));

        Library library;
        ExternalTracks tracks(&library);
        library.listPaths(paths);
        // Each recording's own read finds no track first.
        for (LuFileInfoModel *model : library.models())
            library.loadTrack(model);
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(library.models().cbegin(), library.models().cend(), [](LuFileInfoModel *m) {
            return m->trackState() == LuFileInfoModel::TrackState::Absent; }), timeout);
        QSignalSpy matched(&tracks, &ExternalTracks::matched);
        tracks.load(card.filePath("phone.gpx"));
        QVERIFY(matched.wait(timeout));
        QCOMPARE(matched.first(), (QVariantList{3, 2}));
        LuFileInfoModel *full = library.models().at(0);
        QTRY_COMPARE_WITH_TIMEOUT(full->track.size(), 60, timeout);
        QVERIFY(qAbs(full->track.at(30)->wgsLatitude - 22.53) < 1e-6);
        QVERIFY2(full->trackNote.contains("60 / 60"), qPrintable(full->trackNote));
        QVERIFY2(library.models().at(1)->trackNote.contains("30 / 60"),
                 qPrintable(library.models().at(1)->trackNote));
        QVERIFY(!library.models().at(2)->trackNote.isEmpty());
        QCOMPARE(library.models().at(2)->trackState(), LuFileInfoModel::TrackState::Absent);

        // The camera's clock a minute slow: second 30 shows the phone's point of second 90, and
        // the correction is kept for the next start. Shifted off the track, nothing stays.
        const auto shifted = [&](double seconds, double latitude) {
            matched.clear();
            tracks.setShift({full}, seconds);
            return matched.wait(timeout) &&
                   QTest::qWaitFor([&] { return full->trackLoaded && full->track.size() > 30 &&
                                                qAbs(full->track.at(30)->wgsLatitude - latitude) < 1e-6; },
                                   timeout);
        };
        QVERIFY(shifted(60, 22.59));
        QCOMPARE(ClockShift::of(full), 60.0);
        matched.clear();
        tracks.setShift({full}, 3600);
        QVERIFY(matched.wait(timeout));
        QTRY_COMPARE_WITH_TIMEOUT(full->trackState(), LuFileInfoModel::TrackState::Absent, timeout);
        QVERIFY(shifted(0, 22.53));
        QVERIFY(!QFile::exists(full->trackCachePath + ".shift"));

        // The user's choice: no track at all, kept for a new list too; then the viewer's own
        // choice again, which matches the phone's track once more.
        tracks.choose(full, ExternalTracks::kNoTrack);
        QTRY_COMPARE_WITH_TIMEOUT(full->trackState(), LuFileInfoModel::TrackState::Absent, timeout);
        {
            Library listed;
            listed.listPaths({paths.first()});
            listed.loadTrack(listed.models().first());
            QTRY_VERIFY_WITH_TIMEOUT(listed.models().first()->trackTried, timeout);
            QVERIFY(listed.models().first()->track.isEmpty());
        }
        tracks.choose(full, QString());
        QTRY_COMPARE_WITH_TIMEOUT(full->track.size(), 60, timeout);
        QCOMPARE(tracks.choiceOf(full), QString());

        // The next start loads the track again by itself; removing it takes back what it gave.
        Library again;
        ExternalTracks remembered(&again);
        again.listPaths(paths);
        QSignalSpy loaded(&remembered, &ExternalTracks::loaded);
        remembered.loadRemembered();
        QVERIFY(loaded.wait(timeout));
        QCOMPARE(remembered.tracks().size(), 1);
        LuFileInfoModel *same = again.models().at(0);
        QTRY_COMPARE_WITH_TIMEOUT(same->track.size(), 60, timeout);
        QVERIFY(remembered.gave(same));
        remembered.remove(card.filePath("phone.gpx"));
        QVERIFY(remembered.tracks().isEmpty());
        QVERIFY(!QFile::exists(same->trackCachePath));
        QTRY_COMPARE_WITH_TIMEOUT(same->trackState(), LuFileInfoModel::TrackState::Absent, timeout);
        QVERIFY(same->trackNote.isEmpty() && !remembered.gave(same));
    }
};

QTEST_GUILESS_MAIN(TestTrackMatch)
#include "tst_trackmatch.moc"
