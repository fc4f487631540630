#include "mainwindowlog.h"

Q_LOGGING_CATEGORY(lcMainWindow, "qmarl.mainwindow", QtInfoMsg)
