#pragma once

#include <QLoggingCategory>

// The start-up helpers' and the program's own messages, category "qmarl.app": debug output only
// where QT_LOGGING_RULES or the debug log enables it.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
