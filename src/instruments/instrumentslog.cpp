#include "instrumentslog.h"

Q_LOGGING_CATEGORY(lcInstruments, "qmarl.instruments", QtInfoMsg)
