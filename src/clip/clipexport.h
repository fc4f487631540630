#pragma once
#include "cliprequest.h"

// Writes the clip a request asks for into a new folder "<front base name>_<from>-<to>" in the
// target folder. Everything goes into a hidden temporary folder beside it first, renamed at the
// end, so a cancel or a failure leaves nothing behind. Runs on the calling thread; the viewer
// calls it from a worker.
ClipResult exportClip(const ClipRequest &request, const ClipHooks &hooks = {});

// Why clips cannot be written into dir, or an empty text when they can.
QString targetFolderProblem(const QString &dir);

// Keeps the media libraries' own log lines off standard error (the command-line tool reports
// each failure in one line of its own).
void silenceMediaLibraryLog();
