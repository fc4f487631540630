// Time from process start to the main window's first show event, with an empty library, and
// to the players' video output being chosen (the panes can show nothing before that).
// Usage: startup_bench [path/to/q-marl] [runs]
// Uses the platform from QT_QPA_PLATFORM (offscreen unless set; run under xvfb-run with
// QT_QPA_PLATFORM=xcb to include a real X server).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <csignal>

namespace {
struct Times
{
    double shown = -1;
    double outputChosen = -1;
};

Times timeOneStart(const QString &program, bool firstRun, QTemporaryDir &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_CACHE_HOME", home.filePath("cache"));
    env.insert("XDG_DATA_HOME", home.filePath("data")); // the archive's database
    // The window's trace of being shown is a debug message, off unless asked for.
    env.insert("QT_LOGGING_RULES", "qmarl.mainwindow.debug=true");
    if (!env.contains("QT_QPA_PLATFORM"))
        env.insert("QT_QPA_PLATFORM", "offscreen");
    if (firstRun)
        QFile::remove(home.filePath("cache/q-marl/myapp.conf"));

    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(home.path());
    QElapsedTimer clock;
    clock.start();
    process.start(program, {});
    QByteArray seen;
    Times times;
    while (process.state() != QProcess::NotRunning && clock.elapsed() < 30000 &&
           (times.shown < 0 || times.outputChosen < 0)) {
        process.waitForReadyRead(5);
        seen += process.readAllStandardError();
        const double now = clock.nsecsElapsed() / 1e6;
        if (times.shown < 0 && seen.contains("KestroMainWidget::showEvent"))
            times.shown = now;
        if (times.outputChosen < 0 && seen.contains("VideoOutputChoice: players use"))
            times.outputChosen = now;
    }
    if (process.processId() > 0) // 0 once ended: kill(0) would signal this whole group
        ::kill(pid_t(process.processId()), SIGTERM);
    process.waitForFinished(30000);
    return times;
}

double median(QVector<double> values)
{
    values.removeAll(-1.0);
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? -1 : values[values.size() / 2];
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString program = QFileInfo(args.value(1, QCoreApplication::applicationDirPath() +
                                                        QStringLiteral("/q-marl")))
                                .absoluteFilePath();
    if (!QFileInfo(program).isExecutable()) {
        QTextStream(stderr) << "startup_bench: no program at " << program << '\n';
        return 1;
    }
    const int runs = args.value(2, QStringLiteral("11")).toInt();
    QTextStream out(stdout);

    QTemporaryDir home;
    const auto report = [&out, runs](const char *what, const QVector<double> &times) {
        out << what << ": median " << QString::number(median(times), 'f', 1) << " ms over "
            << runs << " runs (min "
            << QString::number(*std::min_element(times.begin(), times.end()), 'f', 1) << ", max "
            << QString::number(*std::max_element(times.begin(), times.end()), 'f', 1) << ")\n";
    };
    for (bool firstRun : {true, false}) {
        QVector<double> shown, chosen;
        timeOneStart(program, firstRun, home); // warm the disk cache
        for (int i = 0; i < runs; ++i) {
            const Times times = timeOneStart(program, firstRun, home);
            shown << times.shown;
            chosen << times.outputChosen;
        }
        report(firstRun ? "first run, start to window shown" : "later run, start to window shown",
               shown);
        report(firstRun ? "first run, start to video output chosen"
                        : "later run, start to video output chosen",
               chosen);
    }
    return 0;
}
