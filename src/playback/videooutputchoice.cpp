#include "videooutputchoice.h"

#include "playbacklog.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>

namespace {

// A probe that neither answers nor ends by then counts as failed (a hung driver).
constexpr int trialTimeoutMs = 15000;

bool namesOutput(const MpvOptionList &options)
{
    for (const auto &option : options) {
        if (option.first == "vo")
            return true;
    }
    return false;
}

} // namespace

VideoOutputChoice &VideoOutputChoice::instance()
{
    static VideoOutputChoice *choice = new VideoOutputChoice; // lives until exit, as the players
    return *choice;
}

QStringList VideoOutputChoice::candidates()
{
    return {QStringLiteral("vo=gpu,gpu-api=opengl"), QStringLiteral("vo=x11"),
            QStringLiteral("vo=gpu,gpu-api=opengl,gpu-sw=yes")};
}

QString VideoOutputChoice::probeProgram()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QStringList places{dir + QStringLiteral("/q-marl-vo-probe"),
                             dir + QStringLiteral("/../libexec/q-marl/q-marl-vo-probe")};
    for (const QString &path : places) {
        if (QFileInfo(path).isExecutable())
            return QFileInfo(path).canonicalFilePath();
    }
    return QString();
}

void VideoOutputChoice::start()
{
    if (started)
        return;
    started = true;
    if (namesOutput(mpvOptionsFromEnvironment())) {
        settle({}, true, QStringLiteral("the output named in %1").arg(mpvOptionsVariable));
        return;
    }
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        settle({{"vo", "null"}}, false, QStringLiteral("no windows on the %1 platform").arg(platform));
        return;
    }
    if (platform != QLatin1String("xcb")) {
        settle({}, true, QStringLiteral("libmpv's own choice on the %1 platform").arg(platform));
        return;
    }
    const QString program = probeProgram();
    if (program.isEmpty()) {
        // Plain X11 drawing needs nothing but the X server the window is on.
        settle(parseMpvOptions("vo=x11"), true,
               QStringLiteral("q-marl-vo-probe is missing beside %1; plain X11 drawing")
                   .arg(QCoreApplication::applicationFilePath()));
        return;
    }
    // After the window is up: the probes would only slow its construction down.
    QTimer::singleShot(0, this, [this, program] { runTrials(program); });
}

void VideoOutputChoice::runTrials(const QString &program)
{
    const QStringList list = candidates();
    trials.resize(size_t(list.size()));
    for (int i = 0; i < list.size(); ++i) {
        Trial &trial = trials[size_t(i)];
        trial.options = list[i];
        trial.process = new QProcess(this);
        trial.process->setProcessChannelMode(QProcess::SeparateChannels);
        trial.process->setStandardInputFile(QProcess::nullDevice());
        // The probe's own diagnostics would only repeat the verdict.
        trial.process->setStandardErrorFile(QProcess::nullDevice());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QString::fromLatin1(mpvOptionsVariable));
        trial.process->setProcessEnvironment(env);
        QProcess *process = trial.process;
        auto finish = [this, i, process] {
            Trial &t = trials[size_t(i)];
            if (t.verdict != Verdict::Pending)
                return;
            trialFinished(t, process->readAllStandardOutput());
        };
        connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
                finish);
        // A crash also ends in finished(); only a failed start does not.
        connect(process, &QProcess::errorOccurred, this, [finish](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart)
                finish();
        });
        QTimer::singleShot(trialTimeoutMs, process, [process] {
            if (process->state() != QProcess::NotRunning)
                process->kill(); // finished() follows
        });
        process->start(program, {trial.options});
    }
}

void VideoOutputChoice::trialFinished(Trial &trial, const QByteArray &output)
{
    const QByteArray line = output.trimmed();
    trial.verdict = line == "ok" ? Verdict::Works : Verdict::Fails;
    qCWarning(lcPlayback).noquote()
        << "VideoOutputChoice: video output" << trial.options
        << (line.isEmpty() ? QStringLiteral("failed: the probe ended without a verdict")
                           : QString::fromUtf8(line));
    decideIfPossible();
}

void VideoOutputChoice::decideIfPossible()
{
    if (ready)
        return;
    for (const Trial &trial : trials) {
        if (trial.verdict == Verdict::Pending)
            return; // a preferred candidate may still work
        if (trial.verdict == Verdict::Works) {
            settle(parseMpvOptions(trial.options.toLatin1()), true, QStringLiteral("probed"));
            break;
        }
    }
    if (!ready)
        settle({{"vo", "null"}}, false, QStringLiteral("no video output works here"));
    // The rest have nothing left to say.
    for (Trial &trial : trials) {
        if (trial.process->state() != QProcess::NotRunning) {
            trial.verdict = Verdict::Fails;
            trial.process->kill();
        }
    }
}

void VideoOutputChoice::settle(const MpvOptionList &options, bool withPicture, const QString &why)
{
    chosen = options;
    picture = withPicture;
    ready = true;
    QStringList text;
    for (const auto &option : options)
        text << QString::fromLatin1(option.first + '=' + option.second);
    qCWarning(lcPlayback).noquote()
        << "VideoOutputChoice: players use"
        << (text.isEmpty() ? QStringLiteral("libmpv's defaults") : text.join(','))
        << "(" + why + ")";
    emit decided();
}
