#pragma once
#include "cliprequest.h"

#include <QString>

// Copies the streams of input from the last key frame at or before from up to to into output
// (same container, chosen by output's name), without re-encoding; the copy's timestamps start
// at 0. Streams the container cannot hold are left out and said. False with *error on failure
// or cancel; progress runs 0..1.
bool cutLosslessly(const QString &input, const QString &output, double from, double to,
                   const ClipHooks &hooks, const std::function<void(double)> &progress,
                   QString *error);
