#include "panelayout.h"

#include <QtTest>

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
};

QTEST_GUILESS_MAIN(TestPaneLayout)
#include "tst_panelayout.moc"
