// Up to six channels in step, run by hand (bench/six_bench.sh): the players kept in step the
// way the window keeps them. First the time from opening the files until every pane has a
// picture; then at 1x, 3x, 15x and 60x, after a settling time (passes from the same second
// until the time asked is sampled), how far each channel strays from
// the front one (sampled every 5 ms; a channel that has ended is left out), the share of the
// time some channel was further off than the rate allows (0.1 s at 1x, 0.5 s at 3x, a page at
// the flip-book rates: the stretch one of ten pages a second covers) and the process's CPU use
// and resident memory.
//
// Usage: six_bench SECONDS_PER_RATE FRONT [OTHER...]
#include "channelsync.h"
#include "playlabel.h"
#include "processenvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGridLayout>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>

#include <cmath>

namespace {
namespace six_bench {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The process's resident memory now, in MiB.
double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs, int checkMs = 50)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    check.start(checkMs);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!condition())
        loop.exec();
    return condition();
}

} // namespace six_bench
} // namespace

int main(int argc, char *argv[])
{
    using namespace six_bench;
    QApplication app(argc, argv);
    useCNumericLocale();
    const QStringList args = app.arguments();
    if (args.size() < 3 || args.size() > 8) {
        QTextStream(stderr) << "usage: six_bench SECONDS_PER_RATE FRONT [OTHER...]\n";
        return 2;
    }
    const int sampleMs = args[1].toInt() * 1000;
    const int count = int(args.size()) - 2;
    QTextStream out(stdout);

    QWidget window;
    auto *grid = new QGridLayout(&window);
    QList<PlayLabel *> players;
    for (int i = 0; i < count; ++i) {
        auto *player = new PlayLabel(&window);
        player->setMinimumSize(320, 240);
        grid->addWidget(player, i / 3, i % 3);
        players << player;
    }
    window.show();
    ChannelSync sync;
    sync.setPlayers(players);
    QObject::connect(players[0], &PlayLabel::sigProgressChange, &sync, &ChannelSync::masterMoved);
    const double memoryBefore = residentMiB();
    QElapsedTimer opening;
    opening.start();
    for (int i = 0; i < count; ++i) {
        players[i]->on_file_open(args[2 + i]);
        players[i]->on_file_contiue();
    }
    const auto allShow = [&] {
        for (const PlayLabel *p : qAsConst(players))
            if (p->position() < 0)
                return false;
        return true;
    };
    if (!waitFor(allShow, 30000, 2)) {
        QTextStream(stderr) << "six_bench: the files do not play\n";
        return 1;
    }
    out << QStringLiteral("%1 channels: a picture in every pane after %2 ms\n")
               .arg(count)
               .arg(opening.elapsed());
    sync.setChannelCount(count);
    sync.setPlaying(true);
    const double length = players[0]->fileDuration();

    const auto bound = [](double rate) { return rate < 2 ? 0.1 : rate < 15 ? 0.5 : rate / 10; };
    out << "rate  largest gap to the front (s, each channel)        out of step (time, longest)"
           "  CPU (% of one core)  resident (MiB)\n";
    for (double rate : {1.0, 3.0, 15.0, 60.0}) {
        QVector<double> gaps(count - 1, 0.0);
        qint64 sampledMs = 0, outMs = 0, runMs = 0, longestRunMs = 0;
        double resident = 0, cpuUsed = 0;
        QElapsedTimer lastSample;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            const qint64 step = lastSample.restart();
            const double master = players[0]->position();
            bool apart = false;
            for (int i = 1; i < count; ++i) {
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
        QTimer memory;
        QObject::connect(&memory, &QTimer::timeout, [&] { resident = std::max(resident, residentMiB()); });
        // A minute goes by in a second at 60x: passes from the same second until the time is
        // sampled, each settling for a tenth of its length (3 s at most) first.
        QElapsedTimer clock;
        qint64 wallMs = 0;
        while (wallMs < sampleMs) {
            sync.seek(2.0, true);
            sync.setRate(rate);
            const int settleMs = int(std::min(3000.0, (length - 2.0) / rate * 100.0));
            waitFor([] { return false; }, settleMs);
            const double cpuBefore = cpuSeconds();
            clock.start();
            lastSample.start();
            runMs = 0;
            sampler.start(5);
            memory.start(500);
            waitFor([&] { return players[0]->position() >= length - 1.0; }, int(sampleMs - wallMs), 5);
            sampler.stop();
            memory.stop();
            wallMs += clock.elapsed();
            cpuUsed += cpuSeconds() - cpuBefore;
        }
        const double wall = wallMs / 1000.0;
        const double cpu = cpuUsed / wall * 100.0;
        QStringList gapTexts;
        for (double g : qAsConst(gaps))
            gapTexts << QString::number(g, 'f', 3);
        out << QStringLiteral("%1x").arg(rate, -4) << QStringLiteral("  %1").arg(gapTexts.join(' '), -48)
            << QStringLiteral("  %1 %, %2 ms").arg(sampledMs ? 100.0 * outMs / sampledMs : 0.0, 5, 'f', 1)
                   .arg(longestRunMs, 5)
            << QStringLiteral("  %1 (over %2 s)").arg(cpu, 8, 'f', 0).arg(wall, 0, 'f', 1)
            << QStringLiteral("  %1 (%2 before opening)").arg(resident, 6, 'f', 0).arg(memoryBefore, 0, 'f', 0)
            << '\n';
        out.flush();
    }
    return 0;
}
