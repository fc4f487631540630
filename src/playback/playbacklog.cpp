#include "playbacklog.h"

Q_LOGGING_CATEGORY(lcPlayback, "qmarl.playback", QtInfoMsg)
