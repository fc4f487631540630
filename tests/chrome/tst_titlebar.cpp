#include "lubasicdialog.h"
#include "lubasicwidget.h"
#include "lutitlebar.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {
class Window : public LuBasicWidget
{
public:
    Window() { initTitleBar(); }
    LuTitleBar *bar() const { return titleBar; }
};

class Dialog : public LuBasicDialog
{
public:
    Dialog() { initTitleBar(); }
    LuTitleBar *bar() const { return titleBar; }
};

QPushButton *button(LuTitleBar *bar, const char *name)
{
    return bar->findChild<QPushButton *>(QLatin1String(name));
}

QRect expectedMaximised()
{
    return QGuiApplication::primaryScreen()->availableGeometry().adjusted(-3, -3, 3, 3);
}

// Mouse events with explicit global positions: the drag follows the global position only.
void sendMouse(QWidget *target, QEvent::Type type, const QPoint &local, const QPoint &global)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, global, Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void doubleClick(QWidget *target)
{
    QTest::mouseDClick(target, Qt::LeftButton, Qt::NoModifier, QPoint(60, 15));
}
} // namespace

class TestTitleBar : public QObject
{
    Q_OBJECT

private slots:
    void buttonTypes_data()
    {
        QTest::addColumn<QList<int>>("types");
        QTest::addColumn<int>("storedType");
        QTest::addColumn<QString>("shown"); // M menu, m minimise, r restore, x maximise, c close
        QTest::newRow("initial") << QList<int>{} << 1 << "Mmxc";
        QTest::newRow("type 0") << QList<int>{0} << 0 << "Mmc";
        QTest::newRow("type 1") << QList<int>{1} << 1 << "Mmxc";
        QTest::newRow("type 2") << QList<int>{2} << 2 << "c";
        QTest::newRow("unknown type changes nothing") << QList<int>{0, 5} << 0 << "Mmc";
        QTest::newRow("negative type changes nothing") << QList<int>{2, -1} << 2 << "c";
    }

    void buttonTypes()
    {
        QFETCH(QList<int>, types);
        QFETCH(int, storedType);
        QFETCH(QString, shown);
        QWidget parent;
        LuTitleBar bar(&parent);
        for (int type : types)
            bar.setButtonType(type);
        QCOMPARE(bar.currentButtonType(), storedType);
        const struct
        {
            QChar key;
            const char *name;
        } buttons[] = {{'M', "ButtonMenu"}, {'m', "ButtonMin"}, {'r', "ButtonRestore"},
                       {'x', "ButtonMax"}, {'c', "ButtonClose"}};
        for (const auto &b : buttons) {
            QPushButton *pushButton = button(&bar, b.name);
            QVERIFY2(pushButton, b.name);
            QCOMPARE(pushButton->size(), QSize(30, 30));
            QVERIFY2(pushButton->isHidden() != shown.contains(b.key), b.name);
        }
    }

    void barSpansItsWindow()
    {
        Window window;
        window.resize(640, 480);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.bar()->geometry(), QRect(0, 0, 640, 35));
        window.resize(900, 500);
        QCOMPARE(window.bar()->width(), 900);
    }

    void windowFlags()
    {
        Window window;
        QCOMPARE(int(window.windowFlags()), 0x4800 | int(Qt::Window));
        Dialog *dialog = new Dialog;
        QCOMPARE(int(dialog->windowFlags()), 0x4803);
        QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
        delete dialog;
    }

    void doubleClickMaximisesAndRestores()
    {
        Window window;
        window.setGeometry(100, 120, 400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect before = window.geometry();
        QSignalSpy maximised(window.bar(), &LuTitleBar::signalButtonMaxClicked);
        QSignalSpy restored(window.bar(), &LuTitleBar::signalButtonRestoreClicked);

        doubleClick(window.bar());
        QCOMPARE(maximised.count(), 1);
        QCOMPARE(window.geometry(), expectedMaximised());
        QVERIFY(button(window.bar(), "ButtonMax")->isHidden());
        QVERIFY(!button(window.bar(), "ButtonRestore")->isHidden());

        doubleClick(window.bar());
        QCOMPARE(restored.count(), 1);
        QCOMPARE(window.geometry(), before);
        QVERIFY(!button(window.bar(), "ButtonMax")->isHidden());
        QVERIFY(button(window.bar(), "ButtonRestore")->isHidden());
    }

    void buttonsMaximiseAndRestore()
    {
        Window window;
        window.setGeometry(50, 60, 420, 310);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(button(window.bar(), "ButtonMax"), Qt::LeftButton);
        QCOMPARE(window.geometry(), expectedMaximised());
        QTest::mouseClick(button(window.bar(), "ButtonRestore"), Qt::LeftButton);
        QCOMPARE(window.geometry(), QRect(50, 60, 420, 310));
    }

    void restoreWithoutSavedGeometryKeepsWindow()
    {
        Window window;
        window.setGeometry(70, 80, 400, 300);
        window.onButtonRestoreClicked();
        QCOMPARE(window.geometry(), QRect(70, 80, 400, 300));
    }

    void doubleClickOnCloseOnlyBarDoesNothing()
    {
        QPointer<Dialog> dialog = new Dialog;
        dialog->setGeometry(100, 100, 300, 200);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QSignalSpy maximised(dialog->bar(), &LuTitleBar::signalButtonMaxClicked);
        doubleClick(dialog->bar());
        QCOMPARE(maximised.count(), 0);
        QCOMPARE(dialog->geometry(), QRect(100, 100, 300, 200));
        delete dialog;
    }

    void dragMovesWindow()
    {
        Window window;
        window.setGeometry(100, 100, 400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        LuTitleBar *bar = window.bar();
        const QPoint start = window.pos();

        sendMouse(bar, QEvent::MouseButtonPress, QPoint(60, 10), QPoint(160, 110));
        sendMouse(bar, QEvent::MouseMove, QPoint(70, 15), QPoint(170, 115));
        sendMouse(bar, QEvent::MouseMove, QPoint(90, 40), QPoint(190, 140));
        QCOMPARE(window.pos(), start + QPoint(30, 30));
        sendMouse(bar, QEvent::MouseButtonRelease, QPoint(90, 40), QPoint(190, 140));
        // After the release further moves leave the window where it is.
        sendMouse(bar, QEvent::MouseMove, QPoint(95, 45), QPoint(250, 200));
        QCOMPARE(window.pos(), start + QPoint(30, 30));
    }

    void maximisedWindowIsNotDraggedUntilRestored()
    {
        Window window;
        window.setGeometry(100, 100, 400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        LuTitleBar *bar = window.bar();
        window.bar()->onButtonMaxClicked();
        const QRect maximised = window.geometry();
        sendMouse(bar, QEvent::MouseButtonPress, QPoint(60, 10), QPoint(60, 10));
        sendMouse(bar, QEvent::MouseMove, QPoint(90, 40), QPoint(90, 40));
        sendMouse(bar, QEvent::MouseButtonRelease, QPoint(90, 40), QPoint(90, 40));
        QCOMPARE(window.geometry(), maximised);

        window.bar()->onButtonRestoreClicked();
        QCOMPARE(window.pos(), QPoint(100, 100));
        sendMouse(bar, QEvent::MouseButtonPress, QPoint(60, 10), QPoint(160, 110));
        sendMouse(bar, QEvent::MouseMove, QPoint(80, 10), QPoint(180, 110));
        sendMouse(bar, QEvent::MouseButtonRelease, QPoint(80, 10), QPoint(180, 110));
        QCOMPARE(window.pos(), QPoint(120, 100));
    }

    void menuButtonAsksForSettings()
    {
        Window window;
        QSignalSpy settings(window.bar(), &LuTitleBar::signalShowAppSetting);
        QTest::mouseClick(button(window.bar(), "ButtonMenu"), Qt::LeftButton);
        QCOMPARE(settings.count(), 1);
    }

    void titleContent()
    {
        Window window;
        window.bar()->setTitleContent(QStringLiteral("Q-MARL"), 9);
        auto *label = window.bar()->findChild<QLabel *>(QStringLiteral("TitleContent"));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("Q-MARL"));
        QCOMPARE(label->font().pointSize(), 9);
        QCOMPARE(window.bar()->titleContentText(), QStringLiteral("Q-MARL"));
        auto *icon = window.bar()->findChild<QLabel *>(QStringLiteral("TitleIcon"));
        QVERIFY(icon);
        QCOMPARE(icon->pixmap(Qt::ReturnByValue).size(), QSize(30, 30));
    }

    void dialogClosesAndDeletesItself()
    {
        QPointer<Dialog> dialog = new Dialog;
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QTest::mouseClick(button(dialog->bar(), "ButtonClose"), Qt::LeftButton);
        QTRY_VERIFY(dialog.isNull());
    }

    void mainWindowCloseEndsEventLoopWithZero()
    {
        Window window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTimer::singleShot(0, &window, [&window] {
            QTest::mouseClick(button(window.bar(), "ButtonClose"), Qt::LeftButton);
        });
        // Reached only if the close button failed to end the loop.
        QTimer::singleShot(5000, &window, [] { QCoreApplication::exit(42); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(window.isVisible());
    }
};

QTEST_MAIN(TestTitleBar)
#include "tst_titlebar.moc"
