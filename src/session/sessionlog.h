#pragma once

#include <QLoggingCategory>

// The playback session's messages, category "qmarl.session": debug output only where
// QT_LOGGING_RULES or the debug log enables it.
Q_DECLARE_LOGGING_CATEGORY(lcSession)
