#pragma once

#include <QLoggingCategory>

// The window chrome's messages, category "qmarl.chrome": debug output only where QT_LOGGING_RULES
// or the debug log enables it.
Q_DECLARE_LOGGING_CATEGORY(lcChrome)
