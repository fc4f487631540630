// Time from process start to the main window's first show event, with an empty library.
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
double timeOneStart(const QString &program, bool firstRun, QTemporaryDir &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_CACHE_HOME", home.filePath("cache"));
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
    double shownAfter = -1;
    while (process.state() != QProcess::NotRunning && clock.elapsed() < 30000) {
        process.waitForReadyRead(5);
        seen += process.readAllStandardError();
        if (seen.contains("KestroMainWidget::showEvent")) {
            shownAfter = clock.nsecsElapsed() / 1e6;
            break;
        }
    }
    ::kill(pid_t(process.processId()), SIGTERM);
    process.waitForFinished(30000);
    return shownAfter;
}

double median(QVector<double> values)
{
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
    for (bool firstRun : {true, false}) {
        QVector<double> times;
        timeOneStart(program, firstRun, home); // warm the disk cache
        for (int i = 0; i < runs; ++i)
            times << timeOneStart(program, firstRun, home);
        out << (firstRun ? "first run " : "later run ") << "start to window shown: median "
            << QString::number(median(times), 'f', 1) << " ms over " << runs << " runs (min "
            << QString::number(*std::min_element(times.begin(), times.end()), 'f', 1)
            << ", max " << QString::number(*std::max_element(times.begin(), times.end()), 'f', 1)
            << ")\n";
    }
    return 0;
}
