#pragma once

#include <QLoggingCategory>

// The archive's log lines: "qmarl.archive", warnings on by default.
Q_DECLARE_LOGGING_CATEGORY(lcArchive)
