#pragma once

#include <QLoggingCategory>

// The incident tools' messages, category "qmarl.incidents": debug output only where
// QT_LOGGING_RULES or the debug log enables it.
Q_DECLARE_LOGGING_CATEGORY(lcIncidents)
