#include "mainwindowtest.h"

#include <QTemporaryDir>
#include <QXmlStreamReader>

using namespace windowtest;

// Exporting a file's track from the viewer: only valid fixes, WGS-84, UTC times.
class TestTrackExport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_out;

    struct Point
    {
        double lat, lon;
        QString time;
    };

    static QVector<Point> readGpx(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QVector<Point> points;
        QXmlStreamReader xml(&file);
        bool inPoint = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("trkpt")) {
                points.append({xml.attributes().value("lat").toDouble(),
                               xml.attributes().value("lon").toDouble(), QString()});
                inPoint = true;
            } else if (xml.isStartElement() && inPoint && xml.name() == QLatin1String("time")) {
                points.last().time = xml.readElementText();
            } else if (xml.isEndElement() && xml.name() == QLatin1String("trkpt")) {
                inPoint = false;
            }
        }
        return xml.hasError() ? QVector<Point>() : points;
    }

private slots:
    void gpxAndCsvHoldTheValidFixes()
    {
        const QString video = recording("R2_00.MP4");
        LuFileInfoModel model(QFileInfo(video).fileName(), video);
        QFile cache(model.trackCachePath);
        QVERIFY(cache.open(QIODevice::WriteOnly));
        // Shenzhen: the export keeps the recorded WGS-84, not the map's offset coordinates.
        cache.write("A20240516101500,2232.500000,N,11400.000000,E,10.00,90.00,0,0,256\n"
                    "V20240516101501,0.000000,N,0.000000,E,0.00,0.00,0,0,256\n"
                    "A20240516101502,2233.000000,N,11401.500000,E,20.00,45.00,0,0,256\n");
        cache.close();

        const QString gpx = m_out.filePath("drive.gpx");
        QVERIFY(KestroMainWidget::exportTrack(&model, gpx));
        const QVector<Point> points = readGpx(gpx);
        QCOMPARE(points.size(), 2);
        const auto near = [](double a, double b) { return qAbs(a - b) < 1e-6; };
        QVERIFY(near(points[0].lat, 22.5416667) && near(points[0].lon, 114.0));
        QVERIFY(near(points[1].lat, 22.55) && near(points[1].lon, 114.025));
        QCOMPARE(points[0].time, QStringLiteral("2024-05-16T10:15:00Z"));
        QCOMPARE(points[1].time, QStringLiteral("2024-05-16T10:15:02Z"));

        const QString csv = m_out.filePath("drive.CSV");
        QVERIFY(KestroMainWidget::exportTrack(&model, csv));
        QFile table(csv);
        QVERIFY(table.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = table.readAll().trimmed().split('\n');
        QCOMPARE(rows.size(), 3);
        QVERIFY(rows[0].startsWith("time,"));
        QVERIFY2(rows[1].startsWith("2024-05-16T10:15:00Z,22.541666"), rows[1].constData());
        QVERIFY(rows[2].contains("114.025"));
    }

    void noTrackOrNoFolderWritesNothing()
    {
        QTemporaryDir folder;
        const QString video = folder.filePath("empty_A.MP4");
        QFile(video).open(QIODevice::WriteOnly);
        LuFileInfoModel trackless(QFileInfo(video).fileName(), video);
        QVERIFY(!KestroMainWidget::exportTrack(&trackless, m_out.filePath("none.gpx")));
        QVERIFY(!QFile::exists(m_out.filePath("none.gpx")));

        const QString withTrack = recording("R2_00.MP4");
        LuFileInfoModel model(QFileInfo(withTrack).fileName(), withTrack);
        QFile cache(model.trackCachePath);
        QVERIFY(cache.open(QIODevice::WriteOnly));
        cache.write("A20240516101500,2232.500000,N,11400.000000,E,10.00,90.00,0,0,256\n");
        cache.close();
        QVERIFY(!KestroMainWidget::exportTrack(&model, "/nonexistent/folder/out.gpx"));
    }
};

QTEST_GUILESS_MAIN(TestTrackExport)
#include "tst_trackexport.moc"
