#pragma once
#include <QLoggingCategory>

// The track code's messages ("qmarl.track"); QT_LOGGING_RULES="qmarl.track.debug=true" adds the
// traces.
Q_DECLARE_LOGGING_CATEGORY(lcTrack)
