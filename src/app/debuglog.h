#pragma once

#include <QtGlobal>

class QMessageLogContext;
class QString;

// Appends each message as its bare text followed by CR LF LF to the log file in the working
// directory. Installed only when that file exists when the program starts.
void debugLogHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

// Sends every message to the log file from now on, the program's own debug messages (its traces,
// off otherwise) included, but for the track cache's line-by-line output. QT_LOGGING_RULES still
// has the last word.
void startDebugLog();
