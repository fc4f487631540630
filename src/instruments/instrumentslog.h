#pragma once

#include <QLoggingCategory>

// The dials' messages, category "qmarl.instruments": debug output only where QT_LOGGING_RULES or
// the debug log enables it.
Q_DECLARE_LOGGING_CATEGORY(lcInstruments)
