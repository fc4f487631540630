#pragma once

// Shared by the window benchmarks: set up before the application object exists, so the window
// runs headless (unless a platform is named) with players that draw nothing (unless options are
// named), in per-user folders of its own.
#include "extracttrack.h"
#include "processenvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdio>

inline void prepareHeadlessBench(const QTemporaryDir &home)
{
    // A platform named by the caller stays (a real X server, to see pictures drawn).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("Q_MARL_MPV_OPTIONS"))
        qputenv("Q_MARL_MPV_OPTIONS", "vo=null,ao=null,hwdec=no");
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", home.filePath("cache").toLocal8Bit());
    prepareProcessEnvironment();
}

// After the application object: the locale libmpv needs, and no log lines in the figures.
inline void quietBenchApplication()
{
    useCNumericLocale();
    QLoggingCategory::setFilterRules(QStringLiteral("*.warning=false\n*.debug=false"));
}

// The track readers' progress lines go nowhere, so that only the figures are printed.
inline void quietTrackReaders()
{
    if (FILE *discard = std::fopen("/dev/null", "w"))
        setTrackDiagnosticsStream(discard);
}

// Lets a new window's map page and players settle before anything is measured.
inline void settleWindow()
{
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}
