// A window with one pane, made as the viewer makes its players; tst_playerstart runs it.
#include "hwplaywidget.h"
#include "playerstartup.h"
#include "processenvironment.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    useCNumericLocale();
    return runWithPlayers([&] {
        QWidget window;
        new HWPlayWidget(&window);
        window.show();
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
        return app.exec();
    });
}
