#include "processenvironment.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <cerrno>
#include <clocale>
#include <fcntl.h>
#include <unistd.h>

void keepStandardDescriptorsOpen()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // open() takes the lowest free number, which is this one.
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd && opened >= 0)
            ::close(opened);
    }
}

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
