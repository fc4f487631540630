#pragma once

// Shared by the window benchmarks: set up before the application object exists, so the window
// runs headless with players that draw nothing, in per-user folders of its own.
#include "processenvironment.h"

#include <QLoggingCategory>
#include <QTemporaryDir>

inline void prepareHeadlessBench(const QTemporaryDir &home)
{
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
