// Adding a card's folder: N three-channel one-minute recordings (hard links to one generated
// demo recording, so they take no room, under names a minute apart) dropped on the window at
// once. Reports the time until they are listed, the time until every track is read into the
// cache in the background, and the GUI thread's longest stall meanwhile, measured as the
// lateness of a 1 ms timer; and the time cat takes to read the same files. Then the drive plays
// through K switches from one recording to the next (each entered 2 s before its end): the time
// from the old file's last position report to the new one's first, and the longest time a pane
// showed no picture, sampled every 5 ms. Offscreen nothing is drawn, so the blank time needs a
// real X server: bench/tracklist_bench.sh runs it under Xvfb with a drawing video output.
// Usage: tracklist_bench [N] [K]   (default N = 500 recordings, K = 5 switches)
#include "headlessbench.h"
#include "hwplaywidget.h"
#include "kestromainwidget.h"
#include "lufileinfomodel.h"
#include "playlabel.h"
#include "ui_kestromainwidget.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <sys/time.h>
#include <unistd.h>

#include <mpv/client.h>

#include <algorithm>
#include <functional>

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

// Read from libmpv itself, as the path is: the player's own figures come from libmpv's reports,
// which arrive a moment later.
double mpvNumber(HWPlayWidget *pane, const char *name)
{
    double value = -1.0;
    if (mpv_get_property(pane->player()->mpvHandle(), name, MPV_FORMAT_DOUBLE, &value) < 0)
        return -1.0;
    return value;
}

QString playingPath(HWPlayWidget *pane)
{
    char *path = mpv_get_property_string(pane->player()->mpvHandle(), "path");
    const QString result = path ? QString::fromUtf8(path) : QString();
    mpv_free(path);
    return result;
}

// No picture: a row across the pane at 60 % of its height is black from end to end (every
// channel of the demo recording has colour there, dark or bright).
bool showsNoPicture(QWidget *pane)
{
    const QPoint row = pane->mapToGlobal(QPoint(0, pane->height() * 6 / 10));
    const QImage line = QGuiApplication::primaryScreen()
                            ->grabWindow(0, row.x(), row.y(), pane->width(), 1)
                            .toImage();
    for (int x = 0; x < line.width(); x += 2) {
        const QColor colour = line.pixelColor(x, 0);
        if (std::max({colour.red(), colour.green(), colour.blue()}) > 24)
            return false;
    }
    return true;
}

bool waitUntil(const std::function<bool()> &done, int ms = 30000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// The drive's recordings play on: each switch is entered 2 s before the end.
void measureSwitches(KestroMainWidget &window, const QStringList &paths, int switches,
                     QTextStream &out)
{
    Ui::KestroMainWidget *ui = window.form();
    const QList<HWPlayWidget *> panes{ui->widget_display_1, ui->widget_display_2,
                                      ui->widget_display_3};
    HWPlayWidget *master = panes[0];
    const auto position = [&] { return mpvNumber(master, "time-pos"); };
    const auto duration = [&] { return mpvNumber(master, "duration"); };
    const bool drawn = QGuiApplication::platformName() == QLatin1String("xcb");
    // Adding the files started the first recording; the drive has played on from there.
    if (!waitUntil([&] {
            return paths.contains(playingPath(panes[0])) && duration() > 0 && position() > 0.5; // playing: a seek while the file loads is lost
        })) {
        out << "switches: no recording of the drive plays\n";
        return;
    }
    qint64 worstSwitch = 0, worstBlank = 0;
    for (int k = 0; k < switches; ++k) {
        const QString old = playingPath(panes[0]);
        const QString next = paths.value(paths.indexOf(old) + 3);
        if (next.isEmpty())
            break; // the drive's last recording
        const double length = duration();
        window.posChangedSlot((length - 2) / ui->horizontalSlider_progress->maximum());
        if (!waitUntil([&] { return position() > length - 3; })) {
            out << "switch " << k + 1 << ": the seek near the end did not happen (at "
                << position() << " s of " << length << " s, progress bar to "
                << ui->horizontalSlider_progress->maximum() << ")\n";
            return;
        }
        QElapsedTimer oldSeen, blankSince[3];
        qint64 switchMs = -1, blankMs = 0;
        const bool arrived = waitUntil([&] {
            const QString now = playingPath(panes[0]);
            if (now == old)
                oldSeen.start();
            else if (oldSeen.isValid() && switchMs < 0 && position() >= 0)
                switchMs = oldSeen.elapsed();
            for (int i = 0; drawn && i < 3; ++i) {
                if (!showsNoPicture(panes[i]))
                    blankSince[i].invalidate();
                else if (!blankSince[i].isValid())
                    blankSince[i].start();
                else
                    blankMs = std::max(blankMs, blankSince[i].elapsed());
            }
            return now == next && position() > 1.0;
        });
        if (!arrived) {
            out << "switch " << k + 1 << ": " << QFileInfo(next).fileName()
                << " did not follow on\n";
            return;
        }
        out << "switch " << k + 1 << " to " << QFileInfo(next).fileName() << ": " << switchMs
            << " ms from the old file's last report to the new one playing; longest blank "
            << (drawn ? QString::number(blankMs) + " ms" : QStringLiteral("not measured")) << "\n";
        out.flush();
        worstSwitch = std::max(worstSwitch, switchMs);
        worstBlank = std::max(worstBlank, blankMs);
    }
    out << "switches: longest " << worstSwitch << " ms; longest blank "
        << (drawn ? QString::number(worstBlank) + " ms (target: under 100 ms)"
                  : QStringLiteral("not measured offscreen (bench/tracklist_bench.sh draws under Xvfb)"))
        << "\n";
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
    const int switches = std::max(0, app.arguments().value(2, QStringLiteral("5")).toInt());

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
        if (listed < 0 && window.libraryModels().size() >= paths.size())
            listed = now; // the last row is in the list
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
        addCall = clock.nsecsElapsed() - before;
    });
    while (cached < 0 && clock.elapsed() < 30 * 60 * 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    tick.stop();

    int present = 0, absent = 0;
    for (const LuFileInfoModel *model : window.libraryModels())
        (model->trackState() == LuFileInfoModel::TrackState::Present ? present : absent) += 1;
    out << count << " recordings, " << paths.size() << " files, " << window.libraryModels().size()
        << " rows\n";
    out << "the add call on the GUI thread: " << QString::number(addCall / 1e6, 'f', 0)
        << " ms\n";
    out << "listed (every file in the list): " << QString::number(listed / 1e6, 'f', 0)
        << " ms\n";
    out << "every track read (" << present << " present, " << absent << " absent): "
        << (cached < 0 ? QStringLiteral("not within 30 min")
                       : QString::number(cached / 1e6, 'f', 0) + " ms")
        << "\n";
    out << "longest GUI thread stall from the drop on (opening the first recording included): "
        << QString::number(longest / 1e6, 'f', 1) << " ms, at "
        << QString::number(longestAt / 1e6, 'f', 0) << " ms\n";
    out << "longest GUI thread stall while the tracks were read: "
        << QString::number(longestAfter / 1e6, 'f', 1) << " ms (target: at most 50 ms)\n";
    // The same files read whole by cat: what the disk and page cache alone cost.
    QElapsedTimer catClock;
    catClock.start();
    QProcess cat;
    cat.setStandardOutputFile(QProcess::nullDevice());
    cat.start(QStringLiteral("cat"), paths);
    cat.waitForFinished(-1);
    out << "the same files read by cat: " << catClock.elapsed() << " ms\n";
    out.flush();
    if (switches > 0)
        measureSwitches(window, paths, switches, out);
    window.on_pushBtn_stop_clicked();
    return cached >= 0 ? 0 : 2;
}
