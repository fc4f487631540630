#include "archiveviewlog.h"

Q_LOGGING_CATEGORY(lcArchiveView, "qmarl.archiveview", QtInfoMsg)
