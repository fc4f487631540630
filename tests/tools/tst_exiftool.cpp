// ExifTool as the independent judge of the track readers: for every generated recording of the
// layouts it decodes, its samples and ours agree to the second, to 1e-6° and to 0.1 km/h, fix
// for fix.
#include "extracttrack.h"
#include "trackfixtures.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstdio>

namespace {

struct Sample
{
    QString time; // yyyyMMddhhmmss
    bool fix = false;
    double latitude = 0;
    double longitude = 0;
    double speedKmh = 0;
    double sampleTime = -1; // seconds into the recording, where ExifTool gives it
};

// ddmm.mmmm and its hemisphere as signed degrees.
double degrees(double nmea, const QString &hemisphere)
{
    const double whole = std::floor(nmea / 100);
    const double d = whole + (nmea - whole * 100) / 60;
    return hemisphere == QLatin1String("S") || hemisphere == QLatin1String("W") ? -d : d;
}

QVector<Sample> ourSamples(const QByteArray &text)
{
    QVector<Sample> samples;
    for (const QByteArray &line : text.split('\n')) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> f = line.split(',');
        Sample s;
        s.fix = line.startsWith('A');
        s.time = QString::fromLatin1(f.value(0).mid(1));
        s.latitude = degrees(f.value(1).toDouble(), QString::fromLatin1(f.value(2)));
        s.longitude = degrees(f.value(3).toDouble(), QString::fromLatin1(f.value(4)));
        s.speedKmh = f.value(5).toDouble() * 1.852;
        samples.push_back(s);
    }
    return samples;
}

// ExifTool's embedded documents in order; speedFactor turns its GPSSpeed into km/h.
QVector<Sample> exifToolSamples(const QByteArray &json, const QString &timeKey, double speedFactor)
{
    const QJsonObject all = QJsonDocument::fromJson(json).array().first().toObject();
    QMap<int, QJsonObject> docs;
    static const QRegularExpression docKey(QStringLiteral("^Doc(\\d+):(.+)$"));
    for (auto it = all.begin(); it != all.end(); ++it) {
        const QRegularExpressionMatch m = docKey.match(it.key());
        if (m.hasMatch())
            docs[m.captured(1).toInt()][m.captured(2)] = it.value();
    }
    QVector<Sample> samples;
    for (const QJsonObject &doc : docs) {
        Sample s;
        QString time = doc.value(timeKey).toString();
        time.remove(QRegularExpression(QStringLiteral("[^0-9]")));
        s.time = time.left(14);
        s.latitude = doc.value(QStringLiteral("GPSLatitude")).toDouble();
        s.longitude = doc.value(QStringLiteral("GPSLongitude")).toDouble();
        // A position of exactly 0 is how cameras write "no fix"; ExifTool passes it on as read.
        s.fix = doc.contains(QStringLiteral("GPSLatitude")) &&
                doc.contains(QStringLiteral("GPSLongitude")) && s.latitude != 0 &&
                s.longitude != 0;
        s.speedKmh = doc.value(QStringLiteral("GPSSpeed")).toDouble() * speedFactor;
        if (doc.contains(QStringLiteral("SampleTime")))
            s.sampleTime = doc.value(QStringLiteral("SampleTime")).toDouble();
        samples.push_back(s);
    }
    return samples;
}

QByteArray compare(const Sample &ours, const Sample &theirs, int second)
{
    const auto where = [second](const char *what, const QString &a, const QString &b) {
        return QStringLiteral("second %1: %2 %3 (ours) vs %4 (ExifTool)")
            .arg(second)
            .arg(QLatin1String(what), a, b)
            .toUtf8();
    };
    if (ours.time != theirs.time)
        return where("time", ours.time, theirs.time);
    if (std::fabs(ours.latitude - theirs.latitude) > 1e-6)
        return where("latitude", QString::number(ours.latitude, 'f', 8),
                     QString::number(theirs.latitude, 'f', 8));
    if (std::fabs(ours.longitude - theirs.longitude) > 1e-6)
        return where("longitude", QString::number(ours.longitude, 'f', 8),
                     QString::number(theirs.longitude, 'f', 8));
    if (std::fabs(ours.speedKmh - theirs.speedKmh) > 0.1)
        return where("speed", QString::number(ours.speedKmh), QString::number(theirs.speedKmh));
    return {};
}

} // namespace

class TestExifTool : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        setTrackDiagnosticsStream(std::fopen("/dev/null", "w"));
        if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty())
            QFAIL("exiftool is missing: scripts/install-deps.sh installs libimage-exiftool-perl");
    }

    // Rows: the fixture, the unit of ExifTool's GPSSpeed (its factor to km/h), and how samples
    // pair: by ExifTool's SampleTime (layouts sampled faster than once a second, of which we
    // keep the sample nearest each second) or in order, fix for fix.
    void samplesAgreeWithExifTool_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<double>("speedFactor");
        QTest::addColumn<bool>("byTime");
        QTest::addColumn<QString>("timeKey");
        const QString utc = QStringLiteral("GPSDateTime");
        QTest::newRow("transport stream (an older layout ExifTool reads)")
            << "tokyo.ts" << 1.0 << false << utc;
    }

    void samplesAgreeWithExifTool()
    {
        QFETCH(QString, fixture);
        QFETCH(double, speedFactor);
        QFETCH(bool, byTime);
        QFETCH(QString, timeKey);
        const QString video = trackFixture(fixture);
        QVERIFY2(QFile::exists(video), qPrintable(video));

        const QString textPath = m_dir.filePath(fixture + QStringLiteral(".txt"));
        QVERIFY(extractTrack(QFile::encodeName(video).constData(),
                             QFile::encodeName(textPath).constData(),
                             containerKindForPath(video)) >= 0);
        QFile text(textPath);
        QVERIFY(text.open(QIODevice::ReadOnly));
        const QVector<Sample> ours = ourSamples(text.readAll());

        QProcess exiftool;
        exiftool.start(QStringLiteral("exiftool"),
                       {QStringLiteral("-ee3"), QStringLiteral("-n"), QStringLiteral("-j"),
                        QStringLiteral("-G3"), video});
        QVERIFY(exiftool.waitForFinished(120000));
        const QVector<Sample> theirs =
            exifToolSamples(exiftool.readAllStandardOutput(), timeKey, speedFactor);
        QVERIFY2(!theirs.isEmpty(), "ExifTool found no samples");

        int fixes = 0;
        if (byTime) {
            for (int s = 0; s < ours.size(); ++s) {
                if (!ours[s].fix)
                    continue;
                ++fixes;
                const Sample *nearest = nullptr;
                for (const Sample &t : theirs) {
                    if (t.fix && std::fabs(t.sampleTime - s) <= 0.5 &&
                        (!nearest || std::fabs(t.sampleTime - s) <
                                         std::fabs(nearest->sampleTime - s)))
                        nearest = &t;
                }
                QVERIFY2(nearest, qPrintable(QStringLiteral("second %1: ExifTool has no fix").arg(s)));
                const QByteArray problem = compare(ours[s], *nearest, s);
                QVERIFY2(problem.isEmpty(), problem.constData());
            }
            // Every second in which ExifTool has a fix is a fix of ours.
            for (const Sample &t : theirs) {
                const int s = int(std::lround(t.sampleTime));
                if (t.fix && s >= 0 && s < ours.size() && std::fabs(t.sampleTime - s) < 0.05)
                    QVERIFY2(ours[s].fix,
                             qPrintable(QStringLiteral("second %1: no fix of ours").arg(s)));
            }
        } else {
            QVector<Sample> theirFixes;
            for (const Sample &t : theirs) {
                if (t.fix)
                    theirFixes.push_back(t);
            }
            for (const Sample &o : ours) {
                if (!o.fix)
                    continue;
                QVERIFY2(fixes < theirFixes.size(), "more fixes than ExifTool");
                const QByteArray problem = compare(o, theirFixes[fixes], fixes);
                QVERIFY2(problem.isEmpty(), problem.constData());
                ++fixes;
            }
            QCOMPARE(fixes, theirFixes.size());
        }
        QVERIFY(fixes > 0);
    }
};

QTEST_GUILESS_MAIN(TestExifTool)
#include "tst_exiftool.moc"
