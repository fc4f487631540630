#include "applog.h"

Q_LOGGING_CATEGORY(lcApp, "qmarl.app", QtInfoMsg)
