#pragma once
#include "extracttrack.h"

#include <QtGlobal>

#include <cstdio>
#include <unistd.h>

// Quiet set-up shared by the fuzz targets: the readers' progress lines, the region test's
// printf and the sample parser's warnings would otherwise dominate the run time.
inline void silenceTrackOutput()
{
    discardTrackDiagnostics();
    static FILE *null = std::fopen("/dev/null", "w");
    if (null) {
        setTrackDiagnosticsStream(null);
        std::fflush(stdout);
        ::dup2(::fileno(null), STDOUT_FILENO);
    }
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}
