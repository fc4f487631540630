// Starts a window with one playback pane the way the viewer creates its players, then quits.
// Run by tst_playerstart with different Q_MARL_MPV_OPTIONS.
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
