#pragma once

// Shared by the playback tests: where the generated videos are, reading libmpv's state back,
// and a test main that sets the numeric locale libmpv insists on.
#include "playlabel.h"
#include "processenvironment.h"

#include <QApplication>
#include <QString>
#include <QtTest>

#include <mpv/client.h>

namespace playbacktest {

inline QString media(const char *name)
{
    return QStringLiteral(QMARL_PLAYBACK_MEDIA "/") + QLatin1String(name);
}

// True under Xvfb, where mpv draws for real; false offscreen with vo=null.
inline bool drawing()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

inline double mpvDouble(const PlayLabel *player, const char *name)
{
    double value = -1.0;
    if (mpv_get_property(player->mpvHandle(), name, MPV_FORMAT_DOUBLE, &value) < 0)
        return -1.0;
    return value;
}

} // namespace playbacktest

// Generous: the suite also runs under the sanitizers on a busy two-core machine.
constexpr int playTimeout = 30000;

#define PLAYBACK_TEST_MAIN(TestClass)                                                              \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QApplication app(argc, argv);                                                              \
        useCNumericLocale();                                                                       \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
