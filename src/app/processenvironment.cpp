#include "processenvironment.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <clocale>
#include <unistd.h>

void prepareProcessEnvironment()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // Without a screen the web engine can only draw through the software scene graph.
    if (qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen") &&
        !qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
}

void useCNumericLocale()
{
    std::setlocale(LC_NUMERIC, "C");
}
