#include "telemetrylog.h"

Q_LOGGING_CATEGORY(lcTelemetry, "qmarl.telemetry", QtInfoMsg)
