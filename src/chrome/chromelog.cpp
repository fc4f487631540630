#include "chromelog.h"

Q_LOGGING_CATEGORY(lcChrome, "qmarl.chrome", QtInfoMsg)
