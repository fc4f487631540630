// The car's signals row as the telemetry part drives it: a real saved clip read on a worker, the
// frame at a position shown, the row hidden for files without the signals.
#include "carsignalsdisplay.h"
#include "carsignalsrow.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// The generator's clip: 10 s at 36 frames a second, the file starting at 14:03:30.
QString carFile(const char *camera)
{
    return QStringLiteral(QMARL_CAR_CLIP
                          "/SavedClips/2025-11-20_14-03-40/2025-11-20_14-03-30-%1.mp4")
        .arg(QLatin1String(camera));
}
} // namespace

class TestCarSignalsDisplay : public QObject
{
    Q_OBJECT

private slots:
    // The drive of the clip: in P for the first second, then moving off on the pedal, autosteer
    // from the fifth second, slowing on the brake in the last seconds.
    void showsTheFrameAtThePosition_data()
    {
        QTest::addColumn<double>("position");
        QTest::addColumn<QString>("gear");
        QTest::addColumn<bool>("brake");
        QTest::addColumn<QString>("assist");
        QTest::addColumn<bool>("pedalDown"); // the bar over half way
        QTest::newRow("first frame") << 0.0 << "P" << false << "" << false;
        QTest::newRow("last frame of the first second") << 35.5 / 36 << "P" << false << "" << false;
        QTest::newRow("first frame of the second second")
            << 36.5 / 36 << "D" << false << "" << true;
        QTest::newRow("autosteer") << 5.5 << "D" << false << "Autosteer" << true;
        QTest::newRow("braking") << 8.5 << "D" << true << "Autosteer" << false;
        QTest::newRow("last frame") << 10 - 0.5 / 36 << "D" << false << "Autosteer" << false;
    }

    void showsTheFrameAtThePosition()
    {
        QFETCH(double, position);
        QFETCH(QString, gear);
        QFETCH(bool, brake);
        QFETCH(QString, assist);
        QFETCH(bool, pedalDown);
        QWidget window;
        auto *row = new CarSignalsRow(&window);
        CarSignalsDisplay display(row);
        window.show();
        QVERIFY(!row->isVisible());
        QSignalSpy loaded(&display, &CarSignalsDisplay::loaded);
        display.showAt(position); // asked before the frames arrive: shown when they do
        // The channels in the order given, front-most first: the first that carries them.
        display.load({carFile("front"), carFile("back")});
        QVERIFY(loaded.wait(20000));
        QCOMPARE(loaded.takeFirst().value(0).toBool(), true);
        QCOMPARE(display.source(), carFile("front"));
        QCOMPARE(display.frames().size(), 360);
        QVERIFY(row->isVisible());
        QVERIFY(row->hasFrame());
        QCOMPARE(row->gearText(), gear);
        QCOMPARE(row->brakeLit(), brake);
        QCOMPARE(row->assistText(), assist);
        QCOMPARE(row->pedal() > 0.5, pedalDown);
        QVERIFY(!row->leftLit() && !row->rightLit());
        // Past the last frame's hold the row shows nothing lit, and a stop hides it.
        display.showAt(11);
        QVERIFY(!row->hasFrame());
        display.clear();
        QVERIFY(!row->isVisible());
    }

    // Files that carry no signals leave the row hidden; a file found later still counts.
    void hiddenWithoutSignals_data()
    {
        QTest::addColumn<QStringList>("files"); // names in a temporary folder, or the clip's
        QTest::addColumn<bool>("found");
        QTest::newRow("no file") << QStringList() << false;
        QTest::newRow("a missing file") << QStringList{"missing.mp4"} << false;
        QTest::newRow("not a video") << QStringList{"text.mp4"} << false;
        QTest::newRow("not a video, then the clip's left pillar")
            << QStringList{"text.mp4", carFile("left_pillar")} << true;
    }

    void hiddenWithoutSignals()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, found);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile text(dir.filePath(QStringLiteral("text.mp4")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write(QByteArray(5000, 'x'));
        text.close();
        QStringList paths;
        for (const QString &f : qAsConst(files))
            paths << (QDir::isAbsolutePath(f) ? f : dir.filePath(f));
        QWidget window;
        auto *row = new CarSignalsRow(&window);
        CarSignalsDisplay display(row);
        window.show();
        QSignalSpy loaded(&display, &CarSignalsDisplay::loaded);
        display.load(paths);
        QVERIFY(loaded.wait(20000));
        QCOMPARE(loaded.takeFirst().value(0).toBool(), found);
        QCOMPARE(row->isVisible(), found);
        QCOMPARE(display.source(), found ? paths.last() : QString());
    }
};

QTEST_MAIN(TestCarSignalsDisplay)
#include "tst_carsignalsdisplay.moc"
