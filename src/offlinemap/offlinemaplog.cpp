#include "offlinemaplog.h"

Q_LOGGING_CATEGORY(lcOfflineMap, "qmarl.offlinemap", QtInfoMsg)
