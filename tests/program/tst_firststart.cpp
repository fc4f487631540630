// The real q-marl started the way ./run.sh starts it on a first run, under Xvfb with the
// player's default options; files given on the command line open as if dropped.
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <memory>

namespace {

constexpr int startTimeoutMs = 60000;
constexpr int upTimeMs = 20000;

// Windows come and go while the tree is walked; a vanished one must not end the test.
int ignoreXErrors(Display *, XErrorEvent *)
{
    return 0;
}

struct Area
{
    int x, y, width, height;
};

// The windows libmpv draws into: they carry its class name.
void findPlayerWindows(Display *display, Window window, QVector<Area> &found)
{
    XClassHint hint{};
    if (XGetClassHint(display, window, &hint)) {
        const bool player = hint.res_class && qstrcmp(hint.res_class, "mpv") == 0;
        XFree(hint.res_name);
        XFree(hint.res_class);
        XWindowAttributes attributes;
        Window child = 0;
        int x = 0, y = 0;
        if (player && XGetWindowAttributes(display, window, &attributes) &&
            attributes.map_state == IsViewable &&
            XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y,
                                  &child))
            found.append({x, y, attributes.width, attributes.height});
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return;
    for (unsigned i = 0; i < count; ++i)
        findPlayerWindows(display, children[i], found);
    XFree(children);
}

// A picture, not a black or single-coloured pane: most of it lit, and many colours.
bool showsPicture(Display *display, const Area &area)
{
    if (area.width < 16 || area.height < 16)
        return false;
    XImage *image = XGetImage(display, DefaultRootWindow(display), area.x, area.y,
                              unsigned(area.width), unsigned(area.height), AllPlanes, ZPixmap);
    if (!image)
        return false;
    QSet<unsigned long> colours;
    int lit = 0, samples = 0;
    for (int y = area.height / 8; y < area.height; y += area.height / 8) {
        for (int x = area.width / 16; x < area.width; x += area.width / 16) {
            const unsigned long pixel = XGetPixel(image, x, y);
            ++samples;
            if ((pixel & 0xe0e0e0) != 0)
                ++lit;
            colours.insert(pixel & 0xf0f0f0);
        }
    }
    XDestroyImage(image);
    return lit * 2 > samples && colours.size() >= 6;
}

} // namespace

class TestFirstStart : public QObject
{
    Q_OBJECT

    static QString demo(const char *channel)
    {
        return QStringLiteral(QMARL_FIRST_START_DEMO "/2024_0516_101500_001%1.MP4")
            .arg(QLatin1String(channel));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "runs under xvfb-run");
        XSetErrorHandler(ignoreXErrors);
    }

    void picturesInEveryPane_data()
    {
        QTest::addColumn<QStringList>("seeded");
        QTest::addColumn<QStringList>("arguments");
        const QStringList all{demo("A"), demo("B"), demo("C")};
        QTest::newRow("seeded demo, front file as argument") << all << QStringList{demo("A")};
        // A card's folder named in a shell: every recording in it, the rest refused.
        QTest::newRow("a missing file, the card's folder and a bad option as arguments")
            << QStringList()
            << QStringList{"/nowhere/missing.MP4", QStringLiteral(QMARL_FIRST_START_DEMO), "--bogus"};
    }

    void picturesInEveryPane()
    {
        QFETCH(QStringList, seeded);
        QFETCH(QStringList, arguments);

        // A first run: per-user folders of its own, nothing stored yet.
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("XDG_CACHE_HOME", home.filePath("cache"));
        env.remove("Q_MARL_MPV_OPTIONS"); // the player's default options, as users have them
        env.remove("QT_XCB_GL_INTEGRATION");

        if (!seeded.isEmpty()) {
            QProcess seed;
            seed.setProcessEnvironment(env);
            seed.start(QStringLiteral(QMARL_BIN_DIR "/qmarl_demo_seed"), seeded);
            QVERIFY(seed.waitForFinished(60000));
            QCOMPARE(seed.exitCode(), 0);
        }

        QProcess viewer;
        viewer.setProcessEnvironment(env);
        viewer.setWorkingDirectory(home.path());
        viewer.setProcessChannelMode(QProcess::MergedChannels);
        viewer.setStandardOutputFile(home.filePath("viewer.log"));
        QElapsedTimer clock;
        clock.start();
        viewer.start(QStringLiteral(QMARL_BIN_DIR "/q-marl"), arguments);
        QVERIFY(viewer.waitForStarted(10000));
        const auto log = [&] {
            QFile file(home.filePath("viewer.log"));
            return file.open(QIODevice::ReadOnly) ? file.readAll().right(4000) : QByteArray();
        };

        std::unique_ptr<Display, int (*)(Display *)> display(XOpenDisplay(nullptr), XCloseDisplay);
        QVERIFY(display);
        int showing = 0;
        while (viewer.state() == QProcess::Running && clock.elapsed() < startTimeoutMs) {
            QVector<Area> panes;
            findPlayerWindows(display.get(), DefaultRootWindow(display.get()), panes);
            showing = 0;
            for (const Area &pane : panes)
                showing += showsPicture(display.get(), pane) ? 1 : 0;
            if (showing == 3)
                break;
            viewer.waitForFinished(100); // returns at once if the viewer dies
        }
        QVERIFY2(viewer.state() == QProcess::Running, log().constData());
        QVERIFY2(showing == 3, qPrintable(QStringLiteral("%1 panes show a picture\n").arg(showing) +
                                          QString::fromLocal8Bit(log())));

        // It stays up: waiting for its end must time out.
        QVERIFY2(!viewer.waitForFinished(int(qMax<qint64>(0, upTimeMs - clock.elapsed()))),
                 log().constData());
        ::kill(pid_t(viewer.processId()), SIGTERM);
        QVERIFY(viewer.waitForFinished(60000));
        QVERIFY2(viewer.exitStatus() == QProcess::NormalExit && viewer.exitCode() == 0,
                 log().constData());
        // The files it played are the list it reopens next time, and nothing else.
        QStringList stored = QSettings(home.filePath("config/VOLQ/Q-MARL.conf"),
                                       QSettings::IniFormat)
                                 .value("g_settingKey_last_filelist")
                                 .toStringList();
        stored.sort();
        QCOMPARE(stored, (QStringList{demo("A"), demo("B"), demo("C")}));
    }
};

QTEST_GUILESS_MAIN(TestFirstStart)
#include "tst_firststart.moc"
