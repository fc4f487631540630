#pragma once

#include <QLoggingCategory>

// The offline map's log lines: "qmarl.offlinemap", warnings on by default.
Q_DECLARE_LOGGING_CATEGORY(lcOfflineMap)
