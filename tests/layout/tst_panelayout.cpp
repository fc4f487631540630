#include "panelayout.h"

#include <QtTest>

Q_DECLARE_METATYPE(QList<QRect>)

// Where the panes go, without a window.
class TestPaneLayout : public QObject
{
    Q_OBJECT

private slots:
    // Neighbouring panes share their edge pixel; a kept aspect ratio is 16:9.
    void paneLayoutEdges()
    {
        const std::array<bool, 3> keep{true, true, true};
        const PaneLayout three = paneLayout(0, 3, QRect(0, 0, 960, 540), keep);
        QCOMPARE(three.rects[0], QRect(160, 0, 640, 360));
        QCOMPARE(three.rects[1], QRect(160, 359, 320, 180));
        QCOMPARE(three.rects[2], QRect(479, 359, 320, 180));
        QCOMPARE(paneLayout(4, 3, QRect(0, 0, 960, 600), keep).rects[2], QRect(0, 30, 960, 540));
    }

    // The car's cameras as they sit: pillars beside the front on top, repeaters beside the back
    // below; a side without its camera goes to the front or the back. In a 1000x500 area the
    // side columns are 250 wide, the top row 300 high; neighbours share their edge pixel.
    void carLayout_data()
    {
        QTest::addColumn<QList<int>>("cameras"); // pane by pane
        QTest::addColumn<QList<QRect>>("rects");
        const QRect front(250, 0, 501, 300), back(250, 299, 501, 201);
        const QRect leftPillar(0, 0, 251, 300), rightPillar(750, 0, 250, 300);
        const QRect leftRepeater(0, 299, 251, 201), rightRepeater(750, 299, 250, 201);
        QTest::newRow("all six") << QList<int>{1, 2, 3, 4, 5, 6}
                                 << QList<QRect>{front, back, leftRepeater, rightRepeater,
                                                 leftPillar, rightPillar};
        QTest::newRow("four: the front across the top")
            << QList<int>{1, 2, 3, 4}
            << QList<QRect>{QRect(0, 0, 1000, 300), back, leftRepeater, rightRepeater};
        QTest::newRow("no right repeater: the back takes its side")
            << QList<int>{1, 2, 3, 5, 6}
            << QList<QRect>{front, QRect(250, 299, 750, 201), leftRepeater, leftPillar, rightPillar};
        QTest::newRow("no back: its place stays empty")
            << QList<int>{1, 3, 4, 5}
            << QList<QRect>{QRect(250, 0, 750, 300), leftRepeater, rightRepeater, leftPillar};
        QTest::newRow("no front: the pillars keep their places")
            << QList<int>{2, 3, 4, 5}
            << QList<QRect>{back, leftRepeater, rightRepeater, leftPillar};
    }
    void carLayout()
    {
        QFETCH(QList<int>, cameras);
        QFETCH(QList<QRect>, rects);
        std::array<int, kMaxPanes> given{};
        for (int p = 0; p < cameras.size(); ++p)
            given[size_t(p)] = cameras[p];
        const PaneLayout layout =
            paneLayout(kCarSplit, cameras.size(), QRect(0, 0, 1000, 500), {}, given);
        QVERIFY(layout.changesVisibility);
        for (int p = 0; p < kMaxPanes; ++p) {
            QCOMPARE(layout.visible[size_t(p)], p < cameras.size());
            if (p < cameras.size())
                QCOMPARE(layout.rects[size_t(p)], rects[p]);
        }
    }

    // The strip and the grid cover the area edge to edge for four, five and six channels.
    void stripAndGrid_data()
    {
        QTest::addColumn<int>("split");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QList<QRect>>("rects");
        QTest::newRow("strip of four") << kStripSplit << 4
                                       << QList<QRect>{QRect(10, 20, 900, 450), QRect(10, 469, 301, 151),
                                                       QRect(310, 469, 301, 151), QRect(610, 469, 300, 151)};
        QTest::newRow("grid of four") << kGridSplit << 4
                                      << QList<QRect>{QRect(10, 20, 451, 301), QRect(460, 20, 450, 301),
                                                      QRect(10, 320, 451, 300), QRect(460, 320, 450, 300)};
        QTest::newRow("grid of five") << kGridSplit << 5
                                      << QList<QRect>{QRect(10, 20, 301, 301), QRect(310, 20, 301, 301),
                                                      QRect(610, 20, 300, 301), QRect(10, 320, 301, 300),
                                                      QRect(310, 320, 301, 300)};
        QTest::newRow("grid of six, last pane") << kGridSplit << 6
                                                << QList<QRect>{QRect(10, 20, 301, 301), QRect(), QRect(),
                                                                QRect(), QRect(),
                                                                QRect(610, 320, 300, 300)};
    }
    void stripAndGrid()
    {
        QFETCH(int, split);
        QFETCH(int, channels);
        QFETCH(QList<QRect>, rects);
        const PaneLayout layout = paneLayout(split, channels, QRect(10, 20, 900, 600), {});
        for (int p = 0; p < rects.size(); ++p)
            if (!rects[p].isNull())
                QCOMPARE(layout.rects[size_t(p)], rects[p]);
        QCOMPARE(layout.visible[size_t(channels - 1)], true);
        QCOMPARE(layout.visible[size_t(kMaxPanes - 1)], channels == kMaxPanes);
    }

    // P: four to six channels go round the car's layout, the strip and the grid; three keep
    // their own round; a recording opens in its own layout.
    void splitRounds_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("next");
        QTest::newRow("six: the car's, then the strip") << 6 << kCarSplit << kStripSplit;
        QTest::newRow("five: the strip, then the grid") << 5 << kStripSplit << kGridSplit;
        QTest::newRow("four: the grid, then the car's") << 4 << kGridSplit << kCarSplit;
        QTest::newRow("three: one large, then the first alone") << 3 << 0 << 2;
        QTest::newRow("three: the last alone, then one large") << 3 << 4 << 0;
        QTest::newRow("two: side by side, then the first alone") << 2 << 1 << 2;
    }
    void splitRounds()
    {
        QFETCH(int, channels);
        QFETCH(int, from);
        QFETCH(int, next);
        QCOMPARE(nextSplitType(from, channels, false), next);
    }

    void defaultSplits()
    {
        QCOMPARE(defaultSplitType(1), 2);
        QCOMPARE(defaultSplitType(2), 1);
        QCOMPARE(defaultSplitType(3), 0);
        QCOMPARE(defaultSplitType(4), kCarSplit);
        QCOMPARE(defaultSplitType(6), kCarSplit);
    }
};

QTEST_GUILESS_MAIN(TestPaneLayout)
#include "tst_panelayout.moc"
