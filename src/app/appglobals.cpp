#include "appglobals.h"

// Defined in this order on purpose: the identity is built from the two names above it.
const QString g_logFileName = QStringLiteral("debuglog.txt");
const QString g_organizationName = QStringLiteral("VOLQ");
const QString g_applicationName = QStringLiteral("Q-MARL");
const QString g_installIdentity =
    QStringLiteral("mac.%1.%2").arg(g_organizationName).arg(g_applicationName);
const QString g_haisiSuffix = QStringLiteral("_haisi");
