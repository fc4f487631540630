#pragma once

#include <QString>

// Process-wide names shared by the start-up, the settings store and the usage record.
extern const QString g_logFileName;        // "debuglog.txt", relative to the working directory
extern const QString g_organizationName;   // organisation of the settings store
extern const QString g_applicationName;    // application of the settings store
extern const QString g_installIdentity;    // "mac.<organisation>.<application>"
extern const QString g_haisiSuffix;        // marks tracks read from the HiSilicon layout
