#pragma once

#include <QLoggingCategory>

// The library's messages, category "qmarl.library": debug output only where QT_LOGGING_RULES or
// the debug log enables it.
Q_DECLARE_LOGGING_CATEGORY(lcLibrary)

// Every line read from a track cache, at debug level, category "qmarl.library.cachelines": off
// unless QT_LOGGING_RULES enables it, even while the debug log is on.
Q_DECLARE_LOGGING_CATEGORY(lcCacheLines)
