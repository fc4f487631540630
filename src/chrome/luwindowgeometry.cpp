#include "luwindowgeometry.h"

#include "lutitlebar.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace LuWindowGeometry {

void maximise(QWidget *window, LuTitleBar *titleBar)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    titleBar->saveRestoreInfo(window->pos(), window->size());
    window->setGeometry(LuTitleBar::maximisedGeometry(screen->availableGeometry()));
}

void restore(QWidget *window, const LuTitleBar *titleBar)
{
    QPoint pos;
    QSize size;
    titleBar->getRestoreInfo(pos, size);
    // Nothing was saved yet: there is no earlier geometry to go back to.
    if (!size.isValid())
        return;
    window->setGeometry(QRect(pos, size));
}

} // namespace LuWindowGeometry
