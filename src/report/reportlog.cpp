#include "reportlog.h"

Q_LOGGING_CATEGORY(lcReport, "qmarl.report", QtInfoMsg)
