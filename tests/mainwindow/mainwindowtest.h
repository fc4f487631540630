#pragma once

// Shared by the main window tests.
#include "../support/playertest.h"
#include "../support/testfiles.h"
#include "hwdefaultsettings.h"
#include "kestromainwidget.h"
#include "lufileinfomodel.h"
#include "ui_kestromainwidget.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QSignalSpy>
#include <QDropEvent>
#include <QStandardPaths>
#include <QTimer>
#include <QWebEngineView>
#include <QtTest>

#include <memory>

namespace windowtest {

using namespace playertest;

inline std::unique_ptr<KestroMainWidget> makeWindow()
{
    auto window = std::make_unique<KestroMainWidget>();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("the main window was not exposed");
    return window;
}

// A window whose map page has loaded.
inline std::unique_ptr<KestroMainWidget> makeWindowWithMap()
{
    auto window = std::make_unique<KestroMainWidget>();
    QSignalSpy loaded(window->form()->webview, &QWebEngineView::loadFinished);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()) || (loaded.isEmpty() && !loaded.wait(timeout)))
        qWarning("the main window or its map page did not come up");
    return window;
}

// A copy of the 120 s recording with a track going north from 48°07' N at 20 kn, from the
// hour (yyyyMMddHH) on, along the longitude (dddmm.mmmmmm).
inline QString northbound(const QString &path, const char *hour, const char *longitude)
{
    if (!QFile::copy(recording("long_A.MP4"), path))
        qWarning("cannot copy the recording to %s", qPrintable(path));
    QByteArray lines;
    for (int second = 0; second < 120; ++second)
        lines += QStringLiteral("A%1%2%3,%4,N,%5,E,20.00,0.00,0,0,256\n")
                     .arg(QLatin1String(hour))
                     .arg(second / 60, 2, 10, QLatin1Char('0'))
                     .arg(second % 60, 2, 10, QLatin1Char('0'))
                     .arg(4807.0 + second * 0.005, 0, 'f', 6)
                     .arg(QLatin1String(longitude))
                     .toLatin1();
    writeBytes(LuFileInfoModel(QFileInfo(path).fileName(), path).trackCachePath, lines);
    return path;
}

inline QList<HWPlayWidget *> panes(KestroMainWidget &window)
{
    Ui::KestroMainWidget *ui = window.form();
    return {ui->widget_display_1, ui->widget_display_2, ui->widget_display_3};
}

// Every pane, the three of the form and those the window adds for the car's cameras.
inline QList<HWPlayWidget *> allPanes(KestroMainWidget &window)
{
    QList<HWPlayWidget *> all = panes(window);
    for (int n = 4; n <= 6; ++n)
        all << window.findChild<HWPlayWidget *>(QStringLiteral("widget_display_%1").arg(n));
    return all;
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
    const QList<HWPlayWidget *> all = allPanes(window);
    for (int i = 0; i < channels; ++i)
        QTRY_VERIFY_WITH_TIMEOUT(all[i]->currentPlayState() == 1, timeout);
}

// Runs `act` on the first modal widget of type T once the caller's modal loop shows it; after
// `timeout` it closes whatever is modal, so a test never hangs in a loop it cannot leave.
template <typename T, typename Act> void whenModal(Act act)
{
    auto *poll = new QTimer(qApp);
    QElapsedTimer clock;
    clock.start();
    QObject::connect(poll, &QTimer::timeout, [poll, clock, act] {
        QWidget *modal = QApplication::activeModalWidget();
        auto *wanted = qobject_cast<T *>(modal);
        if (!wanted && clock.elapsed() <= timeout)
            return;
        poll->stop();
        poll->deleteLater();
        if (wanted)
            act(wanted);
        else if (modal)
            modal->close();
    });
    poll->start(20);
}

} // namespace windowtest

#define MAINWINDOW_TEST_MAIN(TestClass) PLAYER_TEST_MAIN(TestClass)
