#include "hwdevicetreeview.h"
#include "hwtreeitemdelegate.h"
#include "lufileinfomodel.h"

#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

#include <memory>
#include <vector>

class TestFileList : public QObject
{
    Q_OBJECT

    std::vector<std::unique_ptr<LuFileInfoModel>> m_models;

    QList<LuFileInfoModel *> models(int count, const QString &stem = QStringLiteral("clip"))
    {
        QList<LuFileInfoModel *> list;
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("%1_%2.MP4").arg(stem).arg(i, 3, 10, QChar('0'));
            m_models.push_back(std::make_unique<LuFileInfoModel>(name, "/videos/" + name));
            list << m_models.back().get();
        }
        return list;
    }

    static QPoint rowPoint(HWDeviceTreeView &view, int row, int x)
    {
        const QRect rect = view.visualRect(view.model()->index(row, 0));
        return QPoint(x, rect.top() + 20);
    }

    // Renders one row through the delegate and returns the columns that hold text ink.
    static QPair<int, int> inkColumns(HWDeviceTreeView &view, int row)
    {
        QImage image(view.width(), HWTreeItemDelegate::rowHeight, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, view.width(), HWTreeItemDelegate::rowHeight);
        view.itemDelegate()->paint(&painter, option, view.model()->index(row, 0));
        painter.end();
        int first = -1, last = -1;
        for (int x = 0; x < image.width() - 52; ++x) // left of the delete button
            for (int y = 10; y < 34; ++y)
                if (qGreen(image.pixel(x, y)) > 100) {
                    if (first < 0)
                        first = x;
                    last = x;
                    break;
                }
        return {first, last};
    }

private slots:
    void cleanup() { m_models.clear(); }

    void rowsFollowTheList()
    {
        HWDeviceTreeView view;
        auto *items = qobject_cast<QStandardItemModel *>(view.model());
        QVERIFY(items);
        const QList<LuFileInfoModel *> five = models(5);
        view.setFileList(five);
        QCOMPARE(items->rowCount(), 5);
        QStandardItem *firstItem = items->item(0);
        for (int row = 0; row < 5; ++row) {
            QCOMPARE(items->item(row)->toolTip(), five[row]->nativePath);
            QCOMPARE(HWDeviceTreeView::modelAt(items->index(row, 0)), five[row]);
            QCOMPARE(five[row]->rowIndex, items->index(row, 0));
            QVERIFY(items->item(row)->text().isEmpty());
        }

        const QList<LuFileInfoModel *> two = models(2, QStringLiteral("other"));
        view.setFileList(two);
        QCOMPARE(items->rowCount(), 2);
        QCOMPARE(items->item(0), firstItem); // rows are reused, removed only at the end
        QCOMPARE(HWDeviceTreeView::modelAt(items->index(1, 0)), two[1]);

        view.setFileList({});
        QCOMPARE(items->rowCount(), 0);
    }

    void longNamesAreElidedInTheMiddle()
    {
        HWDeviceTreeView view;
        view.resize(260, 400);
        QList<LuFileInfoModel *> list = models(1, QStringLiteral("a_very_long_file_name_that_"
                                                                 "cannot_fit_in_the_row"));
        list += models(1, QStringLiteral("s"));
        view.setFileList(list);
        const QPair<int, int> longInk = inkColumns(view, 0);
        const QPair<int, int> shortInk = inkColumns(view, 1);
        QVERIFY2(longInk.first >= 21 && longInk.first < 25, qPrintable(QString::number(longInk.first)));
        // The text runs to the end of its rectangle and no further.
        QVERIFY2(longInk.second > 260 - 80 && longInk.second <= 260 - 44,
                 qPrintable(QString::number(longInk.second)));
        QVERIFY(shortInk.first >= 21 && shortInk.second < 140);
    }

    void deleteButtonEmitsOnReleaseInTheHitStrip_data()
    {
        QTest::addColumn<int>("fromRight");
        QTest::addColumn<int>("emitted");
        QTest::newRow("overlap strip") << 30 << 1;
        QTest::newRow("right part of the hit area") << 12 << 1;
        QTest::newRow("left 12 pixels of the painted button") << 45 << 0;
        QTest::newRow("on the name") << 150 << 0;
    }

    void deleteButtonEmitsOnReleaseInTheHitStrip()
    {
        QFETCH(int, fromRight);
        QFETCH(int, emitted);
        HWDeviceTreeView view;
        view.setFrameShape(QFrame::NoFrame);
        view.resize(300, 400);
        view.setFileList(models(3));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy spy(&view, &HWDeviceTreeView::willDeleteFileSignal);
        const QPoint at = rowPoint(view, 1, view.width() - fromRight);
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(spy.count(), 0);
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(spy.count(), emitted);
        if (emitted)
            QCOMPARE(spy.first().first().value<QModelIndex>().row(), 1);
    }

    void clickBelowTheRowsClearsTheSelection()
    {
        HWDeviceTreeView view;
        view.resize(300, 400);
        view.setFileList(models(2));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, rowPoint(view, 0, 60));
        QCOMPARE(view.selectionModel()->selectedIndexes().size(), 1);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(60, 300));
        QVERIFY(view.selectionModel()->selectedIndexes().isEmpty());
    }

    void playingRowIsScrolledBackIntoView()
    {
        HWDeviceTreeView view;
        view.resize(300, 200);
        const QList<LuFileInfoModel *> list = models(30);
        view.setFileList(list);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.scrollToTop();
        list[25]->isPlaying = true;
        view.setFileList(list);
        QVERIFY(view.verticalScrollBar()->value() > 0);
        QVERIFY(view.viewport()->rect().contains(view.visualRect(list[25]->rowIndex)));
    }
};

QTEST_MAIN(TestFileList)
#include "tst_filelist.moc"
