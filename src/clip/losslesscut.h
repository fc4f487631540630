#pragma once
#include "cliprequest.h"

#include <QString>
#include <QVector>

#include <limits>

// A stretch of one file to copy: seconds from the file's start; to may be infinite (to its end).
struct CutPiece
{
    QString path;
    double from = 0;
    double to = std::numeric_limits<double>::infinity();
};

// Copies the streams of input from the last key frame at or before from up to to into output
// (same container, chosen by output's name), without re-encoding; the copy's timestamps start
// at 0. Streams the container cannot hold are left out and said. False with *error on failure
// or cancel; progress runs 0..1.
bool cutLosslessly(const QString &input, const QString &output, double from, double to,
                   const ClipHooks &hooks, const std::function<void(double)> &progress,
                   QString *error);

// The pieces one after another in one output, as cutLosslessly cuts each: the first from its
// key frame at or before its in-point, each later one continuing where the one before it ended
// (its video's end), so the timestamps run on without a jump or a gap. The files must hold the
// same streams with the same parameters (see joinMismatch).
bool joinLosslessly(const QVector<CutPiece> &pieces, const QString &output,
                    const ClipHooks &hooks, const std::function<void(double)> &progress,
                    QString *error);

// Why the files cannot be joined without re-encoding (their streams or the streams' parameters
// differ, or one cannot be read), or an empty text when they can.
QString joinMismatch(const QStringList &paths);
