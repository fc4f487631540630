#pragma once

#include "mpvoptions.h"

#include <QObject>
#include <QStringList>

#include <vector>

class QProcess;

// Which libmpv video output the panes use. Left to itself, each player probes the outputs on
// its own threads, and three players probing at once can take the whole process down (a
// failing probe closes descriptors it does not own, and Xlib exits the process when its
// connection goes). So the choice is made once, before any pane plays: each candidate is tried
// by q-marl-vo-probe in a process of its own, and the first one that shows a picture, in the
// order of preference, is given to every player by name.
//
// No probing when the user names an output in Q_MARL_MPV_OPTIONS (theirs wins) or when the
// platform has no windows to draw into (offscreen: no output, the panes say so).
class VideoOutputChoice : public QObject
{
    Q_OBJECT

public:
    static VideoOutputChoice &instance();

    // Starts the choice once; later calls do nothing.
    void start();
    bool isReady() const { return ready; }
    // Options naming the chosen output; empty when libmpv's own choice stands.
    const MpvOptionList &options() const { return chosen; }
    // False when no output works here: the players run without a picture.
    bool showsPicture() const { return picture; }

    // The candidates in order of preference: hardware OpenGL, plain X11 drawing, software
    // OpenGL. Vulkan is left out: where it has no driver, its failing set-up is what closes
    // descriptors that are not its own.
    static QStringList candidates();
    // Where q-marl-vo-probe is: beside the executable (build tree) or in its libexec folder.
    static QString probeProgram();

signals:
    void decided();

private:
    enum class Verdict { Pending, Works, Fails };
    struct Trial
    {
        QString options;
        QProcess *process = nullptr;
        Verdict verdict = Verdict::Pending;
    };

    VideoOutputChoice() = default;
    void settle(const MpvOptionList &options, bool withPicture, const QString &why);
    void runTrials(const QString &program);
    void trialFinished(Trial &trial, const QByteArray &output);
    void decideIfPossible();

    bool started = false;
    bool ready = false;
    bool picture = true;
    MpvOptionList chosen;
    std::vector<Trial> trials;
};
