#pragma once

// Shared by the main window tests: the generated recordings, a window in a known state, and a
// test main that prepares the process the way the program's own main does.
#include "hwdefaultsettings.h"
#include "hwplaywidget.h"
#include "kestromainwidget.h"
#include "lufileinfomodel.h"
#include "playlabel.h"
#include "processenvironment.h"
#include "ui_kestromainwidget.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QDropEvent>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include <mpv/client.h>

#include <memory>

namespace windowtest {

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

inline std::unique_ptr<KestroMainWidget> makeWindow()
{
    auto window = std::make_unique<KestroMainWidget>();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("the main window was not exposed");
    return window;
}

inline QList<HWPlayWidget *> panes(KestroMainWidget &window)
{
    Ui::KestroMainWidget *ui = window.form();
    return {ui->widget_display_1, ui->widget_display_2, ui->widget_display_3};
}

inline double mpvDouble(HWPlayWidget *pane, const char *name)
{
    double value = -1.0;
    if (mpv_get_property(pane->player()->mpvHandle(), name, MPV_FORMAT_DOUBLE, &value) < 0)
        return -1.0;
    return value;
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

// Drops files on the window the way a file manager does.
inline void drop(KestroMainWidget &window, const QStringList &files)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &file : files)
        urls << QUrl::fromLocalFile(file);
    data.setUrls(urls);
    // The toolkit delivers a drop only to a widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent event(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &event);
}

// Drops the files and waits until every channel of the first one plays.
inline void addAndPlay(KestroMainWidget &window, const QStringList &files, int channels)
{
    drop(window, files);
    const QList<HWPlayWidget *> all = panes(window);
    for (int i = 0; i < channels; ++i)
        QTRY_VERIFY_WITH_TIMEOUT(all[i]->currentPlayState() == 1, timeout);
}

} // namespace windowtest

#define MAINWINDOW_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        prepareProcessEnvironment();                                                               \
        QApplication app(argc, argv);                                                              \
        useCNumericLocale();                                                                       \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
