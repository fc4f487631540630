#pragma once

#include <QLoggingCategory>

// The archive tab's messages, category "qmarl.archiveview": debug output only where
// QT_LOGGING_RULES or the debug log enables it.
Q_DECLARE_LOGGING_CATEGORY(lcArchiveView)
