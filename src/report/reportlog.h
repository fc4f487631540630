#pragma once

#include <QLoggingCategory>

// The usage record's messages, category "qmarl.report": debug output only where QT_LOGGING_RULES
// or the debug log enables it.
Q_DECLARE_LOGGING_CATEGORY(lcReport)
