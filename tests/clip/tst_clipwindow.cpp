// Clip export from the window: the I and O keys mark the range on the progress bar, the dialog
// proposes it and exports on a worker while the window keeps handling events.
#include "../mainwindow/mainwindowtest.h"

#include "clipexportdialog.h"
#include "luprogressslider.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

using namespace windowtest;

class TestClipWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<KestroMainWidget> m_window;
    QTemporaryDir m_out;

    KestroMainWidget &window() { return *m_window; }
    LuProgressSlider *slider() { return m_window->form()->horizontalSlider_progress; }
    double position() { return m_window->form()->widget_display_1->player()->position(); }

    static QStringList demo()
    {
        return {recording("2024_0516_101500_001A.MP4"), recording("2024_0516_101500_001B.MP4"),
                recording("2024_0516_101500_001C.MP4")};
    }

    // Starts an export of from-to into folder and waits for its end; the longest the window's
    // event loop went without turning meanwhile goes to *longestStall.
    static QList<QVariant> exportAndWait(ClipExportDialog *dialog, const QString &folder,
                                         qint64 *longestStall, bool cancel = false)
    {
        dialog->fromEdit()->setText(QStringLiteral("1"));
        dialog->toEdit()->setText(QStringLiteral("9"));
        dialog->folderEdit()->setText(folder);
        QSignalSpy done(dialog, &ClipExportDialog::exportFinished);
        QElapsedTimer sinceTick;
        QTimer ticker;
        qint64 stall = 0;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            stall = qMax(stall, sinceTick.restart());
            if (cancel && dialog->progressBar()->value() > 0)
                dialog->cancelButton()->click();
        });
        ticker.start(10);
        sinceTick.start();
        dialog->exportButton()->click();
        if (!dialog->isExporting() || !done.wait(timeout))
            return {};
        *longestStall = stall;
        return done.takeFirst();
    }

private slots:
    void initTestCase()
    {
        clearSettings();
        QVERIFY(m_out.isValid());
        m_window = makeWindow();
        addAndPlay(window(), demo(), 3);
    }

    void cleanupTestCase() { m_window.reset(); }

    void keysMarkTheRange()
    {
        QTRY_VERIFY_WITH_TIMEOUT(position() >= 1.0, timeout);
        QTest::keyClick(&window(), Qt::Key_I);
        const double in = window().clipIn();
        QVERIFY(in >= 1.0);
        QCOMPARE(slider()->clipIn(), int(in));
        QCOMPARE(slider()->clipOut(), -1);
        QTRY_VERIFY_WITH_TIMEOUT(position() >= in + 1.0, timeout);
        QTest::keyClick(&window(), Qt::Key_O);
        const double out = window().clipOut();
        QVERIFY(out > in);
        QCOMPARE(slider()->clipOut(), int(std::ceil(out)));

        ClipExportDialog *dialog = window().showClipExport(nullptr);
        QCOMPARE(dialog->fromEdit()->text(), clipTimeText(in));
        QCOMPARE(dialog->toEdit()->text(), clipTimeText(out));
        dialog->close();
    }

    void exportRunsBesideTheWindow()
    {
        ClipExportDialog *dialog = window().showClipExport(nullptr);
        qint64 stall = -1;
        const QList<QVariant> result = exportAndWait(dialog, m_out.path(), &stall);
        QVERIFY(!result.isEmpty());
        QVERIFY2(result[0].toBool(), qPrintable(result[1].toString()));
        const QString folder = result[1].toString();
        QCOMPARE(QFileInfo(folder).fileName(), QStringLiteral("2024_0516_101500_001A_1-9"));
        for (const char *name : {"composed.mp4", "track.gpx", "2024_0516_101500_001C.MP4"})
            QVERIFY2(QFile::exists(folder + '/' + name), name);
        // Seconds of encoding, and the window never waited more than a moment for its turn.
        QVERIFY2(stall < 500, qPrintable(QString::number(stall)));
        QCOMPARE(HWDefaultSettings::instance()->clipDir(), m_out.path());
        dialog->close();
    }

    void cancelWritesNothing()
    {
        QTemporaryDir out;
        ClipExportDialog *dialog = window().showClipExport(nullptr);
        qint64 stall = -1;
        const QList<QVariant> result = exportAndWait(dialog, out.path(), &stall, true);
        QVERIFY(!result.isEmpty());
        QVERIFY(!result[0].toBool());
        QVERIFY(QDir(out.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        dialog->close();
    }

    void stopClearsTheMarks()
    {
        QVERIFY(slider()->clipIn() >= 0);
        window().on_pushBtn_stop_clicked();
        QCOMPARE(slider()->clipIn(), -1);
        QCOMPARE(slider()->clipOut(), -1);
        QCOMPARE(window().clipIn(), -1.0);
    }

    void fileListProposesHalfAMinute()
    {
        // Not playing: from the start, clamped to the recording's length.
        LuFileInfoModel *back = nullptr;
        for (LuFileInfoModel *model : window().libraryModels())
            if (model->nativePath.endsWith(QLatin1String("001B.MP4")))
                back = model;
        QVERIFY(back);
        ClipExportDialog *dialog = window().showClipExport(back);
        QVERIFY(dialog);
        QCOMPARE(dialog->fromEdit()->text(), QStringLiteral("00:00.000"));
        const double length = back->prevChannel->videoDuration;
        QCOMPARE(dialog->toEdit()->text(), clipTimeText(qMin(30.0, length)));
        dialog->close();
    }
};

MAINWINDOW_TEST_MAIN(TestClipWindow)
#include "tst_clipwindow.moc"
