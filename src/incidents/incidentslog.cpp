#include "incidentslog.h"

Q_LOGGING_CATEGORY(lcIncidents, "qmarl.incidents", QtInfoMsg)
