#include "sessionlog.h"

Q_LOGGING_CATEGORY(lcSession, "qmarl.session", QtInfoMsg)
