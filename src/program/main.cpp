#include "appglobals.h"
#include "applog.h"
#include "debuglog.h"
#include "firstinstall.h"
#include "hwdefaultsettings.h"
#include "kestromainwidget.h"
#include "playerstartup.h"
#include "processenvironment.h"
#include "terminationsignals.h"
#include "tileschemehandler.h"
#include "translation.h"

#include <QApplication>
#include <QDate>
#include <QDebug>
#include <QFile>

int main(int argc, char *argv[])
{
    keepStandardDescriptorsOpen();
    if (QFile::exists(g_logFileName))
        startDebugLog();
    qCWarning(lcApp) << "============start==========" << QDate::currentDate();

    prepareProcessEnvironment();
    registerTileScheme();
    QApplication app(argc, argv);
    useCNumericLocale();
    closeWindowsOnTerminationSignals();

    checkFirstInstall();

    int language = HWDefaultSettings::instance()->language();
    loadTranslation(language);
    QCoreApplication::installTranslator(&g_translator);
    // What the interface will show, as a sample of its texts.
    qCWarning(lcApp) << "interface language" << language
                     << QCoreApplication::translate("main", "语言设置：");

    // Without a working libmpv there is no viewer: one clear line and a failure status.
    return runWithPlayers([] {
        KestroMainWidget window;
        window.show();
        // Files handed over by a file manager; Qt has already taken its own options.
        window.openFilesFromArguments(QCoreApplication::arguments().mid(1));
        return QApplication::exec();
    });
}
