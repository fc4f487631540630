// Opening a recording whose front channel is a 1 GiB transport stream with no cached track yet:
// the GUI thread's longest stall (the largest gap between two turns of its event loop) from
// the open until the track is on screen, next to the time the extraction itself takes. The
// stream is written into a temporary folder, dropped from the page cache so the extraction
// reads it from the disk, and deleted at the end.
// Usage: trackload_bench [MiB]   (offscreen, players with vo=null; makes its video with ffmpeg)
#include "headlessbench.h"
#include "kestromainwidget.h"
#include "lufileinfomodel.h"
#include "processenvironment.h"
#include "extracttrack.h"
#include "rmcinfo.h"
#include "trackloader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdio>

namespace {
constexpr int kPacket = 188;

qint64 threadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// A short playable stream, then filler packets with one GPS packet per "second" up to size.
bool makeStream(const QString &path, qint64 size)
{
    if (QProcess::execute("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                     "testsrc=size=320x240:rate=25:duration=20", "-an", "-c:v",
                                     "mpeg2video", "-f", "mpegts", path}) != 0)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::Append))
        return false;
    QByteArray filler(kPacket, '\xff');
    filler[0] = 0x47;
    filler[1] = 0x1f;
    const qint64 packets = (size - file.size()) / kPacket;
    const qint64 perSample = std::max<qint64>(1, packets / 3600);
    QByteArray block;
    for (qint64 i = 0; i < packets; ++i) {
        if (i % perSample == 0) {
            const int s = int(i / perSample);
            RMCINFO info{};
            info.hour = 10 + s / 3600;
            info.minute = (s / 60) % 60;
            info.second = s % 60;
            info.year = 24;
            info.month = 5;
            info.day = 16;
            info.status = 'A';
            info.latHemisphere = 'N';
            info.lonHemisphere = 'E';
            info.latitude = 2232.0f + float(s) * 0.001f;
            info.longitude = 11403.0f;
            info.speed = 20.0f;
            info.course = 90.0f;
            QByteArray gps(kPacket, '\0');
            gps[0] = 0x47;
            gps[1] = 0x43;
            encodeRmcInfo(info, reinterpret_cast<unsigned char *>(gps.data()) + 10);
            block += gps;
        } else {
            block += filler;
        }
        if (block.size() >= (1 << 20) || i + 1 == packets) {
            if (file.write(block) != block.size())
                return false;
            block.clear();
        }
    }
    file.flush();
    ::fsync(file.handle());
    // Read from the disk, as from a card, not from memory.
    ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_DONTNEED);
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    prepareHeadlessBench(home);
    QApplication app(argc, argv);
    quietBenchApplication();
    quietTrackReaders();
    QTextStream out(stdout);
    const qint64 mebibytes = app.arguments().value(1, QStringLiteral("1024")).toLongLong();

    const QString video = home.filePath("2024_0516_101500_001A.TS");
    out << "writing a " << mebibytes << " MiB transport stream...\n";
    out.flush();
    if (!makeStream(video, mebibytes << 20)) {
        out << "cannot write " << video << "\n";
        return 1;
    }

    KestroMainWidget window;
    window.show();
    TrackLoader *loader = window.findChild<TrackLoader *>();
    bool ready = false;
    qint64 readyAt = 0;
    QElapsedTimer clock;
    QObject::connect(loader, &TrackLoader::trackReady, [&] {
        ready = true;
        readyAt = clock.nsecsElapsed();
    });

    // Every turn of the event loop runs this timer once; the largest gap between two runs is
    // the longest time the window could not repaint or take input.
    qint64 last = 0, longest = 0, longestAt = 0, openCall = 0;
    qint64 lastCpu = 0, longestCpu = 0; // the GUI thread's own work within the longest stall
    QTimer turn;
    turn.setInterval(0);
    QObject::connect(&turn, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 cpu = threadCpuNanoseconds();
        if (now - last > longest) {
            longest = now - last;
            longestAt = last;
            longestCpu = cpu - lastCpu;
        }
        last = now;
        lastCpu = cpu;
    });
    settleWindow();

    clock.start();
    lastCpu = threadCpuNanoseconds();
    turn.start();
    QElapsedTimer extraction;
    QTimer::singleShot(0, [&] {
        extraction.start();
        QElapsedTimer call;
        call.start();
        window.openFiles({video});
        openCall = call.nsecsElapsed();
    });
    while (!ready && clock.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    const qint64 extracted = extraction.nsecsElapsed();
    // A little longer, for what the window does with the track once it has it.
    const qint64 until = clock.elapsed() + 1000;
    while (clock.elapsed() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    turn.stop();

    const LuFileInfoModel *model = window.channelModel(1);
    out << "track ready: " << (ready ? "yes" : "no") << ", "
        << (model ? model->track.size() : 0) << " samples\n";
    out << "extraction and load (open to track on screen): "
        << QString::number(extracted / 1e6, 'f', 0) << " ms\n";
    out << "open call on the GUI thread: " << QString::number(openCall / 1e6, 'f', 1) << " ms\n";
    out << "longest GUI thread stall: " << QString::number(longest / 1e6, 'f', 1)
        << " ms (target: at most 50 ms; " << QString::number(longestCpu / 1e6, 'f', 1)
        << " ms of it on the GUI thread's CPU), starting " << QString::number(longestAt / 1e6, 'f', 0)
        << " ms after the open; the track arrived at " << QString::number(readyAt / 1e6, 'f', 0)
        << " ms\n";
    window.on_pushBtn_stop_clicked();
    QFile::remove(video);
    return ready && longest <= 50 * 1000000LL ? 0 : 2;
}
