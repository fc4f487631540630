#pragma once

#include <QLoggingCategory>

// The main window's messages, category "qmarl.mainwindow": debug output only where
// QT_LOGGING_RULES or the debug log enables it.
Q_DECLARE_LOGGING_CATEGORY(lcMainWindow)
