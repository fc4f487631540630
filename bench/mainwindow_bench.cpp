// The main window with real players (vo=null): time from the double click on a cached
// three-channel recording until all three panes show their first frame, and the GUI thread's
// CPU time while three channels play at 1x and at 60x (the window's own work: the labels, dials,
// chart, map calls and file list; decoding runs on libmpv's threads).
// Usage: mainwindow_bench [seconds-per-rate]   (offscreen; makes its videos with ffmpeg)
#include "headlessbench.h"
#include "hwdefaultsettings.h"
#include "hwplaywidget.h"
#include "kestromainwidget.h"
#include "lufileinfomodel.h"
#include "processenvironment.h"
#include "ui_kestromainwidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <ctime>

namespace {
double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

bool makeVideo(const QString &path, const char *source)
{
    return QProcess::execute("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi",
                                        "-i", QString::fromLatin1(source), "-an", "-c:v",
                                        "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p",
                                        path}) == 0;
}

void waitUntil(const std::function<bool()> &done, int ms = 30000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
}
} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    prepareHeadlessBench(home);
    QApplication app(argc, argv);
    quietBenchApplication();
    QTextStream out(stdout);
    const int seconds = app.arguments().value(1, QStringLiteral("15")).toInt();

    out << "making three 1080p30 channels of 60 s with ffmpeg...\n";
    out.flush();
    const QString base = home.filePath("2024_0516_101500_001");
    const QStringList files = {base + "A.MP4", base + "B.MP4", base + "C.MP4"};
    const char *sources[] = {"testsrc2=size=1920x1080:rate=30:duration=60",
                             "testsrc=size=1920x1080:rate=30:duration=60",
                             "smptebars=size=1920x1080:rate=30:duration=60"};
    for (int i = 0; i < 3; ++i)
        if (!makeVideo(files[i], sources[i]))
            return 1;
    // A cached one-minute track on the front channel.
    {
        const LuFileInfoModel probe(QFileInfo(files[0]).fileName(), files[0]);
        QFile cache(probe.trackCachePath);
        cache.open(QIODevice::WriteOnly);
        for (int s = 0; s <= 60; ++s)
            cache.write(QStringLiteral("A20240516%1%2,%3,N,11403.000000,E,%4,90.00,12,-30,256\n")
                            .arg(1015 + s / 60, 4, 10, QChar('0'))
                            .arg(s % 60, 2, 10, QChar('0'))
                            .arg(2232.0 + s * 0.01, 0, 'f', 6)
                            .arg(20 + s % 15)
                            .toLatin1());
    }

    KestroMainWidget window;
    window.show();
    window.openFiles(files);
    Ui::KestroMainWidget *ui = window.form();
    const QList<HWPlayWidget *> panes = {ui->widget_display_1, ui->widget_display_2,
                                         ui->widget_display_3};
    const auto allPlaying = [&] {
        return std::all_of(panes.begin(), panes.end(),
                           [](HWPlayWidget *p) { return p->currentPlayState() == 1; });
    };
    waitUntil(allPlaying);

    QVector<double> opens;
    for (int run = 0; run < 7; ++run) {
        window.on_pushBtn_stop_clicked();
        waitUntil([&] { return window.playState() == 0; });
        QThread::msleep(200);
        QCoreApplication::processEvents();
        const QModelIndex row = window.libraryModels().first()->rowIndex;
        QElapsedTimer clock;
        clock.start();
        window.on_treeView_filelist_doubleClicked(row);
        waitUntil(allPlaying);
        opens << clock.nsecsElapsed() / 1e6;
    }
    std::sort(opens.begin(), opens.end());
    out << "double click to the first frame of all three panes: median "
        << QString::number(opens[opens.size() / 2], 'f', 1) << " ms (min "
        << QString::number(opens.first(), 'f', 1) << ", max "
        << QString::number(opens.last(), 'f', 1) << ")\n";

    // One telemetry update and its repaint: every label, both dials, the chart cursor and the
    // map call, with playback paused so that only these run.
    window.on_pushBtn_play_clicked();
    QThread::msleep(300);
    QCoreApplication::processEvents();
    QVector<double> updates;
    for (int i = 0; i < 2000; ++i) {
        QElapsedTimer clock;
        clock.start();
        window.updateProgress(i % 61);
        QCoreApplication::processEvents(); // the repaints of the labels, dials and chart
        updates << clock.nsecsElapsed() / 1e3;
    }
    std::sort(updates.begin(), updates.end());
    out << "one telemetry update: median " << QString::number(updates[updates.size() / 2], 'f', 1)
        << " us, 99th percentile " << QString::number(updates[updates.size() * 99 / 100], 'f', 1)
        << " us\n";
    window.on_pushBtn_play_clicked();

    for (const auto &rate : {std::make_pair(ui->pushBtn_speed_normal, "1x"),
                             std::make_pair(ui->pushBtn_speed_fast_3, "60x")}) {
        window.on_pushBtn_stop_clicked();
        waitUntil([&] { return window.playState() == 0; });
        window.on_treeView_filelist_doubleClicked(window.libraryModels().first()->rowIndex);
        waitUntil(allPlaying);
        rate.first->click();
        const double gui0 = threadCpuSeconds(), all0 = processCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        // The GUI thread sleeps in its event loop as in the real program; at 60x the minute
        // runs out in about a second and the measurement ends with playback.
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
            if (window.playState() == 0)
                loop.quit();
        });
        watch.start(50);
        loop.exec();
        const double wall = clock.elapsed() / 1000.0;
        const double gui = threadCpuSeconds() - gui0, all = processCpuSeconds() - all0;
        out << "three channels at " << rate.second << " for " << QString::number(wall, 'f', 1)
            << " s: GUI thread " << QString::number(100 * gui / wall, 'f', 1)
            << " % of a core, whole process " << QString::number(100 * all / wall, 'f', 1)
            << " % (GUI thread share " << QString::number(100 * gui / all, 'f', 1) << " %)\n";
    }
    window.on_pushBtn_stop_clicked();
    return 0;
}
