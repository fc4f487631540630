#include "debuglog.h"

#include "appglobals.h"

#include <QFile>
#include <QLoggingCategory>
#include <QTextStream>

#include <atomic>
#include <cstdio>
#include <cstdlib>

void debugLogHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    Q_UNUSED(context)
    if (type == QtFatalMsg)
        abort();

    QFile file(g_logFileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        // The user asked for a log; a message that cannot go to the file goes to the terminal
        // rather than nowhere, with the reason said once.
        static std::atomic_bool reported{false};
        if (!reported.exchange(true))
            std::fprintf(stderr, "debuglog: cannot append to %s (%s); logging to standard error\n",
                         qUtf8Printable(g_logFileName), qUtf8Printable(file.errorString()));
        std::fprintf(stderr, "%s\n", qUtf8Printable(message));
        return;
    }
    QTextStream stream(&file);
    stream << message << "\r\n" << Qt::endl;
    stream.flush();
    file.close();
}

void startDebugLog()
{
    QLoggingCategory::setFilterRules(
        QStringLiteral("qmarl.*.debug=true\nqmarl.library.cachelines.debug=false"));
    qInstallMessageHandler(debugLogHandler);
}
