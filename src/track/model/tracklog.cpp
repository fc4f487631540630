#include "tracklog.h"

Q_LOGGING_CATEGORY(lcTrack, "qmarl.track", QtInfoMsg)
