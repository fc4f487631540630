#pragma once

class QWidget;
class LuTitleBar;

// Maximising and restoring are the same for every frameless window: remember where the
// window was, cover the work area of the primary screen (with the title bar's overlap), and
// go back to the remembered place.
namespace LuWindowGeometry {
void maximise(QWidget *window, LuTitleBar *titleBar);
void restore(QWidget *window, const LuTitleBar *titleBar);
}
