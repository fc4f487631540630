#pragma once

#include <QLoggingCategory>

// The map's and the telemetry displays' messages, category "qmarl.telemetry": debug output only
// where QT_LOGGING_RULES or the debug log enables it.
Q_DECLARE_LOGGING_CATEGORY(lcTelemetry)
