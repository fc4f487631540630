#include "panelayout.h"

#include <QtTest>

using Rects = QList<QRect>;
Q_DECLARE_METATYPE(Rects)

class TestPaneLayout : public QObject
{
    Q_OBJECT

private slots:
    void layouts_data()
    {
        QTest::addColumn<int>("split");
        QTest::addColumn<int>("channels");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<Rects>("expected");
        QTest::addColumn<QString>("shown"); // "123" style, or "-" when visibility is left alone
        const QRect area(10, 40, 900, 600);
        QTest::newRow("three channels, one large two small, keep aspect")
            << 0 << 3 << true
            << Rects{{104, 40, 711, 400}, {104, 439, 355, 200}, {458, 439, 355, 200}} << "123";
        QTest::newRow("three channels, one large two small, fill")
            << 0 << 3 << false
            << Rects{{10, 40, 900, 400}, {10, 439, 450, 200}, {459, 439, 450, 200}} << "123";
        QTest::newRow("two side by side, keep aspect")
            << 1 << 2 << true
            << Rects{{10, 213, 450, 253}, {459, 213, 450, 253}, {459, 465, 450, 0}} << "12";
        QTest::newRow("two side by side, fill")
            << 1 << 2 << false
            << Rects{{10, 40, 450, 600}, {459, 40, 450, 600}, {459, 639, 450, 0}} << "12";
        QTest::newRow("pane 1 alone, keep aspect")
            << 2 << 2 << true << Rects{{10, 87, 900, 506}, {10, 340, 0, 0}, {10, 340, 0, 0}}
            << "1";
        QTest::newRow("pane 2 alone, fill")
            << 3 << 3 << false << Rects{{10, 40, 0, 600}, {10, 40, 900, 600}, {10, 40, 0, 600}}
            << "2";
        QTest::newRow("pane 3 alone, keep aspect")
            << 4 << 3 << true << Rects{{10, 340, 0, 0}, {10, 340, 0, 0}, {10, 87, 900, 506}}
            << "3";
        QTest::newRow("unknown mode keeps visibility")
            << 9 << 3 << false
            << Rects{{10, 40, 450, 600}, {10, 40, 450, 600}, {10, 40, 450, 600}} << "-";
        for (int split = 0; split <= 4; ++split)
            QTest::addRow("one channel fills the area in mode %d", split)
                << split << 1 << true << Rects{area, QRect(), QRect()} << "1";
    }

    void layouts()
    {
        QFETCH(int, split);
        QFETCH(int, channels);
        QFETCH(bool, keep);
        QFETCH(Rects, expected);
        QFETCH(QString, shown);
        const PaneLayout layout = paneLayout(split, channels, QRect(10, 40, 900, 600),
                                             {keep, keep, keep});
        if (channels == 1) {
            QVERIFY(layout.singleChannel);
            QCOMPARE(layout.rects[0], expected[0]);
            return;
        }
        QVERIFY(!layout.singleChannel);
        for (int p = 0; p < 3; ++p)
            QCOMPARE(layout.rects[size_t(p)], expected[p]);
        QCOMPARE(layout.changesVisibility, shown != "-");
        if (layout.changesVisibility)
            for (int p = 0; p < 3; ++p)
                QCOMPARE(layout.visible[size_t(p)], shown.contains(QString::number(p + 1)));
    }

    // Each pane keeps its own proportions in the single-pane modes.
    void keepRatioIsPerPane()
    {
        const PaneLayout layout = paneLayout(3, 3, QRect(0, 0, 800, 600), {true, false, true});
        QCOMPARE(layout.rects[1], QRect(0, 0, 800, 600));
        const PaneLayout kept = paneLayout(3, 3, QRect(0, 0, 800, 600), {false, true, false});
        QCOMPARE(kept.rects[1], QRect(0, 75, 800, 450));
    }
};

QTEST_GUILESS_MAIN(TestPaneLayout)
#include "tst_panelayout.moc"
