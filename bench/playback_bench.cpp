// Playback figures: CPU time of three players playing their channels at 1x, and the time from
// openFile to the first position. Started by playback_bench.sh, which also times the mpv
// command-line player on the same files.
//     playback_bench <seconds> <file> [<file> ...]
#include "playlabel.h"
#include "processenvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <vector>

namespace {
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    useCNumericLocale();
    QLoggingCategory::setFilterRules(QStringLiteral("*.warning=false"));
    if (argc < 3) {
        std::fprintf(stderr, "usage: playback_bench <seconds> <file> [<file> ...]\n");
        return 2;
    }
    const double seconds = QString::fromLocal8Bit(argv[1]).toDouble();
    const int count = argc - 2;

    QWidget window;
    window.resize(640 * count, 360);
    std::vector<PlayLabel *> players;
    for (int i = 0; i < count; ++i) {
        players.push_back(new PlayLabel(&window));
        players.back()->setGeometry(640 * i, 0, 640, 360);
    }
    window.show();

    std::vector<qint64> firstPosition(size_t(count), -1);
    std::vector<bool> done(size_t(count), false);
    int finished = 0;
    QElapsedTimer clock;
    double cpuAtOpen = 0.0;
    for (int i = 0; i < count; ++i) {
        QObject::connect(players[size_t(i)], &PlayLabel::sigProgressChange, &app, [&, i](float position) {
            if (firstPosition[size_t(i)] < 0)
                firstPosition[size_t(i)] = clock.nsecsElapsed();
            if (position >= seconds && !done[size_t(i)]) {
                done[size_t(i)] = true;
                if (++finished == count)
                    app.quit();
            }
        });
        QObject::connect(players[size_t(i)], &PlayLabel::sigPlayFinish, &app, [&, i] {
            if (!done[size_t(i)]) {
                done[size_t(i)] = true;
                if (++finished == count)
                    app.quit();
            }
        });
    }

    QTimer::singleShot(0, &app, [&] {
        cpuAtOpen = cpuSeconds();
        clock.start();
        for (int i = 0; i < count; ++i)
            players[size_t(i)]->on_file_open(QString::fromLocal8Bit(argv[i + 2]));
    });
    app.exec();
    const double cpu = cpuSeconds() - cpuAtOpen;
    const double wall = double(clock.nsecsElapsed()) / 1e9;

    std::printf("players: %d, played %.1f s each, wall %.2f s, cpu %.2f s (%.1f %% of one core)\n",
                count, seconds, wall, cpu, 100.0 * cpu / wall);
    for (int i = 0; i < count; ++i)
        std::printf("player %d: openFile to first position %.1f ms\n", i + 1,
                    double(firstPosition[size_t(i)]) / 1e6);
    return 0;
}
