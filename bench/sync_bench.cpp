// How far the back and inside channels stray from the front one, and what playing three
// channels costs, at each playback rate. Three players kept in step the way the main window
// keeps them; for each rate every channel starts at the same second, 3 s are left for the
// change to settle, then the gaps are sampled every few milliseconds (a channel that has ended
// is left out) together with the process's CPU time. Besides the largest gap, the share of the
// time some channel was out of step (off by more than the rate's target) and the longest such
// stretch: at flip-book rates a page turn reaches the channels a few milliseconds apart, and
// meanwhile one of them already shows the next key frame.
//
// Usage: sync_bench SECONDS_PER_RATE FRONT BACK INSIDE   (run by bench/sync_bench.sh)
#include "channelsync.h"
#include "playlabel.h"
#include "processenvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>

#include <cmath>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop (sleeping between events, so the figures are the players' own) until
// the condition holds or the time is up.
bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    check.start(50);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!condition())
        loop.exec();
    return condition();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    useCNumericLocale();
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        QTextStream(stderr) << "usage: sync_bench SECONDS_PER_RATE FRONT BACK INSIDE\n";
        return 2;
    }
    const int sampleMs = args[1].toInt() * 1000;
    QTextStream out(stdout);

    QWidget window;
    auto *layout = new QHBoxLayout(&window);
    QList<PlayLabel *> players;
    for (int i = 0; i < 3; ++i) {
        auto *player = new PlayLabel(&window);
        player->setMinimumSize(320, 180);
        layout->addWidget(player);
        players << player;
    }
    window.show();
    ChannelSync sync;
    sync.setPlayers(players);
    QObject::connect(players[0], &PlayLabel::sigProgressChange, &sync, &ChannelSync::masterMoved);
    for (int i = 0; i < 3; ++i) {
        players[i]->on_file_open(args[2 + i]);
        players[i]->on_file_contiue();
    }
    if (!waitFor([&] { return players[2]->position() >= 0 && players[1]->position() >= 0 &&
                              players[0]->position() >= 0; },
                 30000)) {
        QTextStream(stderr) << "sync_bench: the files do not play\n";
        return 1;
    }
    sync.setChannelCount(3);
    sync.setPlaying(true);
    const double length = players[0]->fileDuration();

    // How far apart counts as out of step, at each rate (the targets).
    const auto bound = [](double rate) { return rate < 2 ? 0.1 : rate < 30 ? 0.5 : 1.0; };
    out << "rate  largest gap back  largest gap inside  out of step (time, longest)  CPU (% of one core)\n";
    for (double rate : {1.0, 3.0, 15.0, 60.0}) {
        sync.seek(2.0, true);
        sync.setRate(rate);
        waitFor([] { return false; }, 3000);
        double gaps[2] = {0, 0};
        const double cpuBefore = cpuSeconds();
        QElapsedTimer clock;
        clock.start();
        // Sampled often, so that short stretches out of step (a page turn that reaches one
        // channel before another) are measured in time, not only caught now and then.
        QElapsedTimer lastSample;
        lastSample.start();
        qint64 sampledMs = 0, outMs = 0, runMs = 0, longestRunMs = 0;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            const qint64 step = lastSample.restart();
            const double master = players[0]->position();
            bool apart = false;
            for (int i = 1; i < 3; ++i) {
                // A shorter channel is over once the master is past its length.
                if (players[i]->endReached() || master < 0 ||
                    master >= players[i]->fileDuration())
                    continue;
                const double gap = std::fabs(players[i]->position() - master);
                gaps[i - 1] = std::max(gaps[i - 1], gap);
                apart = apart || gap > bound(rate);
            }
            sampledMs += step;
            runMs = apart ? runMs + step : 0;
            outMs += apart ? step : 0;
            longestRunMs = std::max(longestRunMs, runMs);
        });
        sampler.start(5);
        waitFor([&] { return players[0]->position() >= length - 1.0; }, sampleMs);
        sampler.stop();
        const double wall = clock.elapsed() / 1000.0;
        const double cpu = (cpuSeconds() - cpuBefore) / wall * 100.0;
        out << QStringLiteral("%1x").arg(rate, -4) << QStringLiteral("  %1 s").arg(gaps[0], 14, 'f', 3)
            << QStringLiteral("  %1 s").arg(gaps[1], 16, 'f', 3)
            << QStringLiteral("  %1 %, %2 ms").arg(sampledMs ? 100.0 * outMs / sampledMs : 0.0, 16, 'f', 1)
                   .arg(longestRunMs, 5)
            << QStringLiteral("  %1 (over %2 s)").arg(cpu, 8, 'f', 0).arg(wall, 0, 'f', 1) << '\n';
        out.flush();
    }
    return 0;
}
