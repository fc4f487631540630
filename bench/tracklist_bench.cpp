// Adding a card's folder: N three-channel one-minute recordings (hard links to one generated
// demo recording, so they take no room, under names a minute apart) dropped on the window at
// once. Reports the time until they are listed, the time until every track is read into the
// cache in the background, and the GUI thread's longest stall meanwhile, measured as the
// lateness of a 1 ms timer; and the time cat takes to read the same files.
// Usage: tracklist_bench [N]   (offscreen, players with vo=null; default N = 500)
#include "headlessbench.h"
#include "kestromainwidget.h"
#include "lufileinfomodel.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <sys/time.h>
#include <unistd.h>

#include <algorithm>

namespace {
constexpr int kSeconds = 60;

// names[i] are the three channels of recording i, the first recording at 08:00.
QStringList linkRecordings(const QString &demo, const QString &folder, int count)
{
    const char *const channels[] = {"A", "B", "C"};
    const QDateTime first(QDate(2024, 5, 16), QTime(8, 0));
    QStringList paths;
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        const QString stamp = first.addSecs(qint64(i) * kSeconds).toString("yyyy_MMdd_HHmmss");
        for (const char *channel : channels) {
            const QString source = demo + "/2024_0516_101500_001" + channel + ".MP4";
            const QString path =
                folder + QStringLiteral("/%1_%2%3.MP4").arg(stamp).arg(i % 1000, 3, 10, QChar('0')).arg(channel);
            if (::link(QFile::encodeName(source).constData(), QFile::encodeName(path).constData()) != 0)
                return {};
            paths << path;
        }
    }
    // A card's folder was written before it is dropped, not a moment ago.
    const timeval past[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    ::utimes(QFile::encodeName(folder).constData(), past);
    return paths;
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
    const int count = std::max(1, app.arguments().value(1, QStringLiteral("500")).toInt());

    const QString demo = home.filePath("demo");
    out << "writing the demo recording (" << kSeconds << " s)...\n";
    out.flush();
    if (QProcess::execute(QStringLiteral(QMARL_FIXTURE_MAKER),
                          {"--demo", "--seconds", QString::number(kSeconds), demo}) != 0) {
        out << "cannot write the demo recording\n";
        return 1;
    }
    const QStringList paths = linkRecordings(demo, home.filePath("card"), count);
    if (paths.isEmpty()) {
        out << "cannot link the recordings\n";
        return 1;
    }

    KestroMainWidget window;
    window.show();
    settleWindow();

    QElapsedTimer clock;
    qint64 expected = 0, longest = 0, longestAt = 0, listed = -1, cached = -1;
    qint64 addCall = 0;
    qint64 longestAfter = 0; // once the list is shown: the stall while the tracks are read
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (now - expected > longest) {
            longest = now - expected;
            longestAt = expected;
        }
        if (listed >= 0 && expected > listed + 1000000)
            longestAfter = std::max(longestAfter, now - expected);
        expected = now + 1000000;
        if (listed < 0 || cached >= 0)
            return;
        const QList<LuFileInfoModel *> &models = window.libraryModels();
        if (std::all_of(models.begin(), models.end(), [](const LuFileInfoModel *model) {
                return model->trackState() != LuFileInfoModel::TrackState::Pending;
            }))
            cached = now;
    });
    clock.start();
    expected = 1000000;
    tick.start();
    QTimer::singleShot(0, [&] {
        const qint64 before = clock.nsecsElapsed();
        window.openFiles(paths);
        listed = clock.nsecsElapsed();
        addCall = listed - before;
    });
    while (cached < 0 && clock.elapsed() < 30 * 60 * 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    tick.stop();

    int present = 0, absent = 0;
    for (const LuFileInfoModel *model : window.libraryModels())
        (model->trackState() == LuFileInfoModel::TrackState::Present ? present : absent) += 1;
    out << count << " recordings, " << paths.size() << " files, " << window.libraryModels().size()
        << " rows\n";
    out << "listed (the add call on the GUI thread): " << QString::number(addCall / 1e6, 'f', 0)
        << " ms\n";
    out << "every track read (" << present << " present, " << absent << " absent): "
        << (cached < 0 ? QStringLiteral("not within 30 min")
                       : QString::number(cached / 1e6, 'f', 0) + " ms")
        << "\n";
    out << "longest GUI thread stall (the add call included): "
        << QString::number(longest / 1e6, 'f', 1) << " ms (target: at most 50 ms), at "
        << QString::number(longestAt / 1e6, 'f', 0) << " ms\n";
    out << "longest GUI thread stall while the tracks were read: "
        << QString::number(longestAfter / 1e6, 'f', 1) << " ms\n";
    // The same files read whole by cat: what the disk and page cache alone cost.
    QElapsedTimer catClock;
    catClock.start();
    QProcess cat;
    cat.setStandardOutputFile(QProcess::nullDevice());
    cat.start(QStringLiteral("cat"), paths);
    cat.waitForFinished(-1);
    out << "the same files read by cat: " << catClock.elapsed() << " ms\n";
    window.on_pushBtn_stop_clicked();
    return cached >= 0 ? 0 : 2;
}
