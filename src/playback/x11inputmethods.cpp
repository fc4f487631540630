#include "x11inputmethods.h"

#include <QGuiApplication>

#include <X11/Xlib.h>

#include <array>
#include <mutex>

void reserveX11InputMethodSlots()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        Display *display = XOpenDisplay(nullptr);
        if (!display)
            return;
        // More slots than channels: a player whose output restarts opens another.
        std::array<XIM, 8> methods{};
        for (XIM &method : methods)
            method = XOpenIM(display, nullptr, nullptr, nullptr);
        for (XIM method : methods)
            if (method)
                XCloseIM(method);
        XCloseDisplay(display);
    });
}
