#include "librarylog.h"

Q_LOGGING_CATEGORY(lcLibrary, "qmarl.library", QtInfoMsg)

Q_LOGGING_CATEGORY(lcCacheLines, "qmarl.library.cachelines", QtWarningMsg)
