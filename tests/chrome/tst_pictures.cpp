#include "lutitlebar.h"

#include <QDirIterator>
#include <QFile>
#include <QMenu>
#include <QPixmap>
#include <QRegularExpression>
#include <QtTest>

// Every picture the interface names, at the size it is shown at (buttons and labels draw them
// stretched, so a wrong size shows as a distorted picture).
static const struct
{
    const char *name;
    int width;
    int height;
} pictures[] = {
    {"logo", 30, 30},
    {"icon_top_cancel", 30, 30}, {"icon_top_cancel_press", 30, 30},
    {"icon_top_recovery", 30, 30}, {"icon_top_recovery_press", 30, 30},
    {"icon_top_enlarge", 30, 30}, {"icon_top_enlarge_press", 30, 30},
    {"icon_top_narrow", 30, 30}, {"icon_top_narrow_press", 30, 30},
    {"icon_top_set", 30, 30}, {"icon_top_set_press", 30, 30},
    {"icon_cut", 42, 42}, {"icon_cut_press", 42, 42}, {"icon_cut_dis", 42, 42},
    {"icon_folder", 42, 42}, {"icon_folder_press", 42, 42}, {"icon_folder_dis", 42, 42},
    {"icon_pause", 42, 42}, {"icon_pause_press", 42, 42}, {"icon_pause_dis", 42, 42},
    {"icon_zoom", 42, 42}, {"icon_zoom_press", 42, 42}, {"icon_zoom_dis", 42, 42},
    {"icon_play", 42, 42}, {"icon_play_press", 42, 42}, {"icon_play_dis", 42, 42},
    {"icon_stop", 42, 42}, {"icon_stop_press", 42, 42}, {"icon_stop_dis", 42, 42},
    {"icon_sound", 42, 42}, {"icon_sound_press", 42, 42}, {"icon_sound_dis", 42, 42},
    {"icon_mute", 42, 42}, {"icon_mute_press", 42, 42}, {"icon_mute_dis", 42, 42},
    {"icon_enter", 42, 42}, {"icon_enter_press", 42, 42}, {"icon_enter_dis", 42, 42},
    {"icon_retreat", 42, 42}, {"icon_retreat_press", 42, 42}, {"icon_retreat_dis", 42, 42},
    {"icon_shrink", 42, 42}, {"icon_shrink_press", 42, 42}, {"icon_shrink_dis", 42, 42},
    {"icon_enlarge", 42, 42}, {"icon_enlarge_press", 42, 42}, {"icon_enlarge_dis", 42, 42},
    {"icon_set", 42, 42}, {"icon_set_press", 42, 42}, {"icon_set_dis", 42, 42},
    {"icon_multiple_percent_four", 30, 30}, {"icon_multiple_percent_four_press", 30, 30},
    {"icon_multiple_percent_four_dis", 30, 30},
    {"icon_multiple_percent_two", 30, 30}, {"icon_multiple_percent_two_press", 30, 30},
    {"icon_multiple_percent_two_dis", 30, 30},
    {"icon_multiple_one", 30, 30}, {"icon_multiple_one_press", 30, 30},
    {"icon_multiple_one_dis", 30, 30},
    {"icon_multiple_three", 30, 30}, {"icon_multiple_three_press", 30, 30},
    {"icon_multiple_three_dis", 30, 30},
    {"icon_multiple_fifteen", 30, 30}, {"icon_multiple_fifteen_press", 30, 30},
    {"icon_multiple_fifteen_dis", 30, 30},
    {"icon_multiple_sixty", 30, 30}, {"icon_multiple_sixty_press", 30, 30},
    {"icon_multiple_sixty_dis", 30, 30},
    {"Playicon", 14, 18},
    {"icon_off", 30, 30}, {"icon_off_press", 30, 30},
    {"level_line", 64, 2},
    {"vertical_line", 2, 64},
    {"icon_data_rectangle", 85, 35},
    {"icon_set_dropdown", 25, 28},
    {"icon_meter_ring", 156, 156}, {"icon_meter_pointer", 156, 156},
    {"icon_pointer_ring", 110, 110}, {"icon_pointer", 110, 110},
};

static QString path(const char *name)
{
    return QStringLiteral(":/images/images/%1.png").arg(QLatin1String(name));
}

class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    void pictureResolves_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("size");
        for (const auto &picture : pictures)
            QTest::newRow(picture.name) << path(picture.name) << QSize(picture.width, picture.height);
    }

    void pictureResolves()
    {
        QFETCH(QString, file);
        QFETCH(QSize, size);
        const QPixmap pixmap(file);
        QVERIFY2(!pixmap.isNull(), qPrintable(file));
        QCOMPARE(pixmap.size(), size);
        // A picture converted from a broken source comes out fully transparent.
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        bool drawn = false;
        for (int y = 0; y < image.height() && !drawn; ++y)
            for (int x = 0; x < image.width() && !drawn; ++x)
                drawn = qAlpha(image.pixel(x, y)) > 0;
        QVERIFY2(drawn, qPrintable(file));
    }

    // Pictures in the tree that the table above does not know have no agreed size.
    void noUnlistedPictures()
    {
        QStringList listed;
        for (const auto &picture : pictures)
            listed << path(picture.name);
        QDirIterator it(QStringLiteral(":/images/images"), {QStringLiteral("*.png")});
        int count = 0;
        while (it.hasNext()) {
            const QString file = it.next();
            ++count;
            QVERIFY2(listed.contains(file), qPrintable(file));
        }
        QCOMPARE(count, int(sizeof(pictures) / sizeof(pictures[0])));
    }

    void titleBarSheetNamesExistingPictures()
    {
        QWidget parent;
        LuTitleBar bar(&parent);
        const QRegularExpression url(QStringLiteral("url\\(([^)]*)\\)"));
        auto matches = url.globalMatch(bar.styleSheet());
        int count = 0;
        while (matches.hasNext()) {
            const QString file = matches.next().captured(1);
            ++count;
            const QPixmap pixmap(file);
            QVERIFY2(!pixmap.isNull(), qPrintable(file));
            QCOMPARE(pixmap.size(), QSize(30, 30));
        }
        QCOMPARE(count, 10);
    }

    void menuSheetStylesMenu()
    {
        QFile file(QStringLiteral(":/images/images/appMenuSheet.css"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QMenu menu;
        menu.setStyleSheet(menu.styleSheet() + QString::fromUtf8(file.readAll()));
        menu.addAction(QStringLiteral("item"));
        menu.ensurePolished();
        QCOMPARE(menu.font().family(), QStringLiteral("Aharoni"));
        QCOMPARE(menu.font().pointSize(), 10);
        QCOMPARE(menu.font().weight(), 75);
        QCOMPARE(menu.palette().color(QPalette::Active, QPalette::WindowText), QColor(212, 221, 227));
        QVERIFY(menu.styleSheet().contains(QLatin1String("#2dabf9")));
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
