#pragma once

#include <QtGlobal>

class QMessageLogContext;
class QString;

// Appends each message as its bare text followed by CR LF LF to the log file in the working
// directory. Installed only when that file exists when the program starts.
void debugLogHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);
