// Archive figures at 1,000 and 10,000 one-minute recordings (synthetic tracks written straight
// into track cache files, 16-byte videos): indexing rate through the low-priority worker, the
// day list, a day's drives, a pass search and the whole archive's routes, and the database's
// size per recording. Run by hand: build/.../bin/archive_bench [count ...]
#include "archivedatabase.h"
#include "archiveindexer.h"
#include "extracttrack.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kCentreLat = 48.137;
constexpr double kCentreLon = 11.575;
constexpr double kBlockMetres = 200;
constexpr int kBlocksAround = 10; // starts within 2 km of the centre
constexpr double kMetresPerSecond = 14;
constexpr int kRecordingsPerDrive = 10;

double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QByteArray nmea(double degrees)
{
    const double whole = std::floor(degrees);
    return QByteArray::number(whole * 100 + (degrees - whole) * 60, 'f', 6);
}

// One minute on the street grid: from an intersection, turning at random ones.
QByteArray minuteOnTheGrid(const QDateTime &startUtc, QRandomGenerator &random)
{
    double x = (int(random.bounded(2 * kBlocksAround + 1)) - kBlocksAround) * kBlockMetres;
    double y = (int(random.bounded(2 * kBlocksAround + 1)) - kBlocksAround) * kBlockMetres;
    int direction = int(random.bounded(4));
    const double perLon = 111320.0 * std::cos(kCentreLat * M_PI / 180);
    QByteArray text;
    for (int s = 0; s < 60; ++s) {
        text += 'A' + startUtc.addSecs(s).toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() +
                ',' + nmea(kCentreLat + y / 111320.0) + ",N," + nmea(kCentreLon + x / perLon) +
                ",E," + QByteArray::number(kMetresPerSecond * 3.6 / 1.852, 'f', 2) +
                ",0.00,0,0,256\n";
        const double before = direction % 2 ? y : x;
        (direction % 2 ? y : x) += (direction < 2 ? 1 : -1) * kMetresPerSecond;
        const double after = direction % 2 ? y : x;
        if (std::floor(before / kBlockMetres) != std::floor(after / kBlockMetres) &&
            random.bounded(3) == 0)
            direction = int(random.bounded(4));
    }
    return text;
}

QVector<ArchiveSource> writeRecordings(const QString &folder, int count)
{
    QRandomGenerator random(7);
    QDir().mkpath(folder + QStringLiteral("/cache"));
    QVector<ArchiveSource> sources;
    const int perDay = std::max(1, (count + 364) / 365);
    const QDateTime first(QDate(2024, 1, 1), QTime(6, 0), Qt::UTC);
    for (int i = 0; i < count; ++i) {
        const int day = i / perDay;
        const int inDay = i % perDay;
        const QDateTime start = first.addDays(day).addSecs((inDay / kRecordingsPerDrive) * 7200 +
                                                           (inDay % kRecordingsPerDrive) * 61);
        ArchiveSource source;
        source.frontPath = folder + QStringLiteral("/r%1.MP4").arg(i, 6, 10, QLatin1Char('0'));
        source.trackCachePath =
            folder + QStringLiteral("/cache/r%1.txt").arg(i, 6, 10, QLatin1Char('0'));
        QFile video(source.frontPath);
        QFile cache(source.trackCachePath);
        if (!video.open(QIODevice::WriteOnly) || !cache.open(QIODevice::WriteOnly))
            qFatal("cannot write in %s", qPrintable(folder));
        video.write(QByteArray(16, 'v'));
        cache.write(minuteOnTheGrid(start, random));
        sources.append(source);
    }
    return sources;
}

template <typename Work> double medianMs(int runs, Work work)
{
    QVector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times << double(timer.nsecsElapsed()) / 1e6;
    }
    return median(times);
}

void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type >= QtCriticalMsg || message.startsWith(QLatin1String("Archive:")))
        QTextStream(stderr) << message << '\n';
}

void measure(int count, QTextStream &out)
{
    QTemporaryDir dir;
    QElapsedTimer timer;
    timer.start();
    const QVector<ArchiveSource> sources =
        writeRecordings(dir.filePath(QStringLiteral("card")), count);
    const double writeSeconds = double(timer.elapsed()) / 1000;
    const QString databasePath = dir.filePath(QStringLiteral("archive/archive.sqlite"));

    timer.restart();
    double startMs = 0;
    {
        ArchiveIndexer indexer(databasePath);
        QEventLoop loop;
        QObject::connect(&indexer, &ArchiveIndexer::idle, &loop, &QEventLoop::quit);
        QElapsedTimer start;
        start.start();
        indexer.start();
        startMs = double(start.nsecsElapsed()) / 1e6;
        for (const ArchiveSource &source : sources)
            indexer.addRecording(source);
        loop.exec();
    }
    const double indexSeconds = double(timer.elapsed()) / 1000;

    double openMs = 0;
    qint64 bytes = 0;
    {
        ArchiveDatabase db(databasePath);
        QElapsedTimer open;
        open.start();
        if (!db.open())
            qFatal("cannot open the archive");
        openMs = double(open.nsecsElapsed()) / 1e6;
        QVector<ArchiveDay> days;
        const double daysMs =
            medianMs(5, [&] { days = db.days(QDate(2024, 1, 1), QDate(2024, 12, 31)); });
        QVector<ArchiveDrive> drives;
        const double drivesMs = medianMs(5, [&] { drives = db.drivesOn(QDate(2024, 5, 16)); });
        QVector<ArchivePass> passes;
        const double passMs =
            medianMs(5, [&] { passes = db.passesNear(kCentreLat, kCentreLon, 50); });
        QVector<ArchivePass> wide;
        const double wideMs =
            medianMs(5, [&] { wide = db.passesNear(kCentreLat, kCentreLon, 500); });
        QVector<ArchiveRoute> routes;
        const double routesMs = medianMs(3, [&] { routes = db.routes(); });
        int offline = 0;
        const double offlineMs = medianMs(3, [&] { offline = db.checkOffline(); });
        int points = 0;
        for (const ArchiveRoute &route : qAsConst(routes))
            points += route.points.size();
        out << QStringLiteral("%1 recordings (written in %2 s):\n")
                   .arg(count)
                   .arg(writeSeconds, 0, 'f', 1)
            << QStringLiteral("  indexing: %1 s, %2 recordings/s (worker at lowest priority);"
                              " start() on the caller's thread %3 ms\n")
                   .arg(indexSeconds, 0, 'f', 1)
                   .arg(count / indexSeconds, 0, 'f', 0)
                   .arg(startMs, 0, 'f', 2)
            << QStringLiteral("  open with quick check: %1 ms\n").arg(openMs, 0, 'f', 1)
            << QStringLiteral("  day list for a year: %1 ms (%2 days)\n")
                   .arg(daysMs, 0, 'f', 2)
                   .arg(days.size())
            << QStringLiteral("  a day's drives: %1 ms (%2 drives)\n")
                   .arg(drivesMs, 0, 'f', 2)
                   .arg(drives.size())
            << QStringLiteral("  passes within 50 m of the busiest junction: %1 ms (%2 passes)\n")
                   .arg(passMs, 0, 'f', 2)
                   .arg(passes.size())
            << QStringLiteral("  passes within 500 m: %1 ms (%2 passes)\n")
                   .arg(wideMs, 0, 'f', 2)
                   .arg(wide.size())
            << QStringLiteral("  whole archive's routes: %1 ms (%2 routes, %3 points)\n")
                   .arg(routesMs, 0, 'f', 1)
                   .arg(routes.size())
                   .arg(points)
            << QStringLiteral("  offline check (every front file looked at): %1 ms (%2 offline)\n")
                   .arg(offlineMs, 0, 'f', 1)
                   .arg(offline);
    }
    // Closed: the log is folded into the file.
    for (const QString &ending : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        bytes += QFileInfo(databasePath + ending).size();
    out << QStringLiteral("  database: %1 MB, %2 bytes per recording\n")
               .arg(double(bytes) / 1e6, 0, 'f', 1)
               .arg(bytes / count);
    out.flush();
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quietHandler);
    discardTrackDiagnostics();
    QVector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts << QString::fromLocal8Bit(argv[i]).toInt();
    if (counts.isEmpty())
        counts = {1000, 10000};
    QTextStream out(stdout);
    for (int count : qAsConst(counts))
        if (count > 0)
            measure(count, out);
    return 0;
}
