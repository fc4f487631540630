#pragma once

#include <QLoggingCategory>

// The players' messages, category "qmarl.playback": debug output only where QT_LOGGING_RULES or
// the debug log enables it.
Q_DECLARE_LOGGING_CATEGORY(lcPlayback)
