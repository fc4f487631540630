#pragma once

// Shared by the tests that play the recordings in QMARL_RECORDINGS in real players; the test main
// prepares the process as the program's own main does.
#include "hwplaywidget.h"
#include "playlabel.h"
#include "processenvironment.h"

#include <QApplication>
#include <QSettings>
#include <QtTest>

#include <mpv/client.h>

namespace playertest {

// Players, the web engine and the sanitizers share a busy two-core machine.
constexpr int timeout = 30000;

inline QString recording(const char *name)
{
    return QStringLiteral(QMARL_RECORDINGS "/") + QLatin1String(name);
}

// R1: three channels (front, back, inside); R2: two channels; R3: one file.
inline QStringList libraryFiles()
{
    return {recording("2024_0516_101500_001A.MP4"), recording("2024_0516_101500_001B.MP4"),
            recording("2024_0516_101501_002C.MP4"), recording("R2_00.MP4"),
            recording("R2_01_b.MP4"), recording("clip.MP4")};
}

// A fresh settings store: nothing remembered from an earlier window.
inline void clearSettings()
{
    QSettings store(QStringLiteral("VOLQ"), QStringLiteral("Q-MARL"));
    store.clear();
    store.sync();
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

inline double mpvDouble(HWPlayWidget *pane, const char *name)
{
    return mpvDouble(pane->player(), name);
}

inline QString mpvString(HWPlayWidget *pane, const char *name)
{
    char *value = mpv_get_property_string(pane->player()->mpvHandle(), name);
    const QString text = value ? QString::fromUtf8(value) : QString();
    mpv_free(value);
    return text;
}

// The file a pane's player has open, empty when none.
inline QString playing(HWPlayWidget *pane)
{
    return mpvString(pane, "path");
}

} // namespace playertest

#define PLAYER_TEST_MAIN(TestClass)                                                                \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        prepareProcessEnvironment();                                                               \
        QApplication app(argc, argv);                                                              \
        useCNumericLocale();                                                                       \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
