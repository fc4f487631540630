// A phone's day matched to a card: a 24-hour GPX of one point a second loaded over 500
// one-minute recordings without GPS (movie headers only, spread over the day). Measures the time
// from the load to every recording holding its seconds (caches written and read back), and the
// GUI thread's longest stall meanwhile (a 1 ms timer's largest gap).
// Usage: trackmatch_bench [recordings]   (writes its files into a temporary folder)
#include "externaltracks.h"
#include "library.h"
#include "lufileinfomodel.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {
QByteArray be32(uint32_t v)
{
    const char bytes[] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(bytes, 4);
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("TZ", "UTC");
    tzset();
    // The caches it writes, and the list of loaded tracks, stay out of the user's own.
    QTemporaryDir dir;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.filePath("cache")));
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 500;
    const QDateTime day(QDate(2024, 5, 16), QTime(0, 0), Qt::UTC);
    QByteArray gpx = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"bench\"><trk><trkseg>\n";
    for (int s = 0; s < 86400; ++s)
        gpx += QStringLiteral("<trkpt lat=\"%1\" lon=\"%2\"><time>%3</time></trkpt>\n")
                   .arg(22.5 + s * 1e-5, 0, 'f', 6)
                   .arg(114.0 + (s % 600) * 1e-5, 0, 'f', 6)
                   .arg(day.addSecs(s).toString(Qt::ISODate))
                   .toUtf8();
    write(dir.filePath("day.gpx"), gpx + "</trkseg></trk></gpx>\n");
    const QByteArray mvhd = be32(108) + "mvhd" + QByteArray(12, '\0') + be32(1000) +
                            be32(60000) + QByteArray(80, '\0');
    const QByteArray movie = be32(8 + mvhd.size()) + "moov" + mvhd;
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QDateTime start = day.addSecs(qint64(i) * 86400 / count);
        paths << dir.filePath(start.toString("yyyy_MMdd_HHmmss_") +
                              QStringLiteral("%1A.MP4").arg(i + 1, 3, 10, QLatin1Char('0')));
        write(paths.last(), movie);
    }

    Library library;
    ExternalTracks tracks(&library);
    library.listPaths(paths);
    // Every recording's own read first: none holds a track.
    int absent = 0;
    QObject::connect(&library, &Library::trackReady, [&] { ++absent; });
    for (LuFileInfoModel *model : library.models())
        library.loadTrack(model);
    while (absent < count)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    qint64 longestStall = 0;
    QElapsedTimer sinceTick;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, sinceTick.restart());
    });
    int given = -1, read = 0;
    QObject::connect(&tracks, &ExternalTracks::matched, [&](int, int n) { given = n; });
    QObject::connect(&library, &Library::trackReady, [&] { ++read; });
    QElapsedTimer clock;
    clock.start();
    sinceTick.start();
    ticker.start(1);
    tracks.load(dir.filePath("day.gpx"));
    while (given < 0 || read < given)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 total = clock.elapsed();
    std::printf("%d recordings, 86400 points: %lld ms from the load to every track read, "
                "%d given, GUI thread's longest stall %lld ms\n",
                count, static_cast<long long>(total), given, static_cast<long long>(longestStall));
    return given == count ? 0 : 1;
}
