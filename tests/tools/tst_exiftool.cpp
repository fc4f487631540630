// ExifTool as the independent judge: its samples and ours agree to 1 s, 1e-6° and 0.1 km/h.
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
    bool hasSpeed = true; // false where ExifTool gives no speed (layouts that store none)
    double sampleTime = -1; // seconds into the recording, where ExifTool gives it
    bool wholeSecond = true; // ExifTool's clock has no fraction of a second, or a zero one
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

// An ExifTool's version, 0 when it does not answer.
double versionOf(const QString &program)
{
    QProcess p;
    p.start(program, {QStringLiteral("-ver")});
    return p.waitForFinished(60000) ? p.readAllStandardOutput().trimmed().toDouble() : 0.0;
}

// The installed ExifTool's version (Debian's), 0 when it does not answer.
double exifToolVersion()
{
    static const double version = versionOf(QStringLiteral("exiftool"));
    return version;
}

// The ExifTool of the 13 series the build holds (CMake passes its path), for the layouts only
// it reads.
QString exifTool13()
{
    return qEnvironmentVariable("QMARL_EXIFTOOL_13");
}

// Fixtures of layouts that ExifTool reads from 13.59 on (12.57 finds nothing or misreads them).
const QStringList kJudgedBy13{"freegps-index-decimal.mov", "freegps-index-labelled.mp4",
                              "freegps-index-longhead.mp4", "freegps-index-rc4.mp4",
                              "freegps-index-strings.mp4", "freegps-index-tenths.mp4",
                              "nmea-nbmt.mp4", "texttrack-gga.mp4",
                              "gdat-json.mp4", "gpsdata-trailer.mov", "gpmf-gps9.mp4",
                              "gpmd-pairs-zeros.mp4", "gpmd-pairs-address.mp4",
                              "ssmd-track.mp4", "djmd-track.mp4", "ts-text-records.ts",
                              "ts-s-records.ts", "gpmf-scanned.mp4",
                              "ligo-freegps-clear.mp4", "ligo-freegps-enciphered.mp4",
                              "ligo-freegps-encrypted.mp4", "ligo-freegps-third.mp4",
                              "ligo-gpmd.mp4", "ligo-skip.mp4", "ligo-trailer.mp4",
                              "ligo-udta-json.mp4", "ligo-udta-json-utc.mp4",
                              "ligo-udta-offset.mp4", "ligo-ts-units.ts", "ligo-ts-trailer.ts"};

// Layouts of several records a second, timed by their clock: our line of a second is the record
// at the whole second.
const QStringList kTimedInTenths{"freegps-index-tenths.mp4"};

// ExifTool's embedded documents in order; speedFactor turns its GPSSpeed into km/h.
QVector<Sample> exifToolSamples(const QByteArray &json, double speedFactor)
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
        QString time = doc.value(QStringLiteral("GPSDateTime")).toString();
        time.remove(QRegularExpression(QStringLiteral("[^0-9]")));
        s.time = time.left(14);
        const QString fraction = time.mid(14);
        s.wholeSecond = fraction.count(QLatin1Char('0')) == fraction.size();
        s.latitude = doc.value(QStringLiteral("GPSLatitude")).toDouble();
        s.longitude = doc.value(QStringLiteral("GPSLongitude")).toDouble();
        // A position of exactly 0 is how cameras write "no fix"; ExifTool passes it on as read.
        s.fix = doc.contains(QStringLiteral("GPSLatitude")) &&
                doc.contains(QStringLiteral("GPSLongitude")) && s.latitude != 0 &&
                s.longitude != 0;
        // Zero-padded values ("009.0") come as strings.
        const QJsonValue speed = doc.value(QStringLiteral("GPSSpeed"));
        s.speedKmh = (speed.isString() ? speed.toString().toDouble() : speed.toDouble()) * speedFactor;
        // Where the layout states its fix type (GPSF, the records' measure mode), below 2 is none.
        if (doc.contains(QStringLiteral("GPSMeasureMode")) &&
            doc.value(QStringLiteral("GPSMeasureMode")).toInt() < 2)
            s.fix = false;
        // Layouts that give the velocity's components instead of a speed.
        if (!doc.contains(QStringLiteral("GPSSpeed")) &&
            doc.contains(QStringLiteral("GPSVelocityEast")))
            s.speedKmh = std::hypot(doc.value(QStringLiteral("GPSVelocityEast")).toDouble(),
                                    doc.value(QStringLiteral("GPSVelocityNorth")).toDouble()) *
                         speedFactor;
        s.hasSpeed = doc.contains(QStringLiteral("GPSSpeed")) ||
                     doc.contains(QStringLiteral("GPSVelocityEast"));
        if (doc.contains(QStringLiteral("SampleTime")))
            s.sampleTime = doc.value(QStringLiteral("SampleTime")).toDouble();
        samples.push_back(s);
    }
    return samples;
}

// Empty when the two agree: time to the second, position to 1e-6°, speed to 0.1 km/h (where
// ExifTool gives a speed: layouts that store none get one worked out from the positions).
QByteArray compare(const Sample &ours, const Sample &theirs, int second)
{
    if (ours.time == theirs.time && std::fabs(ours.latitude - theirs.latitude) <= 1e-6 &&
        std::fabs(ours.longitude - theirs.longitude) <= 1e-6 &&
        (!theirs.hasSpeed || std::fabs(ours.speedKmh - theirs.speedKmh) <= 0.1))
        return {};
    const auto text = [](const Sample &x) {
        return QStringLiteral("%1 %2 %3 %4 km/h")
            .arg(x.time)
            .arg(x.latitude, 0, 'f', 8)
            .arg(x.longitude, 0, 'f', 8)
            .arg(x.speedKmh);
    };
    return QStringLiteral("second %1: %2 (ours) vs %3 (ExifTool)")
        .arg(second)
        .arg(text(ours), text(theirs))
        .toUtf8();
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
        // ExifTool takes a movie's creation time as local time when it times samples by it.
        qputenv("TZ", "UTC");
        if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty())
            QFAIL("exiftool is missing: scripts/install-deps.sh installs libimage-exiftool-perl");
        if (versionOf(exifTool13()) != 13.59)
            QFAIL(qPrintable(QStringLiteral("ExifTool 13.59 is missing at \"%1\": "
                                            "scripts/install-deps.sh installs it")
                                 .arg(exifTool13())));
    }

    // Samples pair by ExifTool's SampleTime (layouts sampled faster than once a second, of
    // which we keep the one nearest each second) or fix for fix; without a clock, no time.
    void samplesAgreeWithExifTool_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<double>("speedFactor");
        QTest::addColumn<bool>("byTime");
        QTest::addColumn<QString>("program"); // which ExifTool judges
        // Layouts ExifTool does not decode, or decodes as another layout.
        QStringList unread{"chip-end0.mp4",    "chip-end5.mov",   "chip-end8.mp4",
                                 "freegps.mov",      "gps0.mp4",
                                 "gpsindex-new.mp4", "gpsindex-old.mp4", "hisilicon.mp4",
                                 "shenzhen-head.ts",
                                 // ExifTool reads only the first 256 bytes of its one unit.
                                 "ligo-ts-skip.ts"};
        const QStringList sampledFast{"gpmf-gps5.mp4", "gpmf-gps9.mp4", "camm.mp4",
                                      "camm-positions.mp4"};
        // ExifTool gives GPMF speeds in m/s up to version 13.03, in km/h from 13.04 on.
        const double gpmfSpeedFactor = exifToolVersion() >= 13.04 ? 1.0 : 3.6;
        const QString debian = QStringLiteral("exiftool");
        for (const QString &fixture : fixturesWithTrack())
            if (!unread.contains(fixture))
                QTest::newRow(qPrintable(fixture))
                    << fixture
                    << (kJudgedBy13.contains(fixture)              ? 1.0
                        : fixture.startsWith(QLatin1String("gpmf-")) ? gpmfSpeedFactor
                        : sampledFast.contains(fixture)            ? 3.6
                        : fixture == QLatin1String("uuid-gps.mp4") ? 1.609344 // mph
                                                                   : 1.0)
                    << sampledFast.contains(fixture)
                    << (kJudgedBy13.contains(fixture) ? exifTool13() : debian);
        QTest::newRow("nmea-free-box.mp4 by sample time")
            << "nmea-free-box.mp4" << 1.0 << true << debian;
    }

    void samplesAgreeWithExifTool()
    {
        QFETCH(QString, fixture);
        QFETCH(double, speedFactor);
        QFETCH(bool, byTime);
        QFETCH(QString, program);
        const QString video = trackFixture(fixture);
        QVERIFY2(QFile::exists(video), qPrintable(video));

        const QString textPath = m_dir.filePath(fixture + QStringLiteral(".txt"));
        QVERIFY(extractTrack(QFile::encodeName(video).constData(),
                             QFile::encodeName(textPath).constData(),
                             containerKindForPath(video)) >= 0);
        QFile text(textPath);
        QVERIFY(text.open(QIODevice::ReadOnly));
        QVector<Sample> ours = ourSamples(text.readAll());
        // A layout without any clock: our lines hold zeros where ExifTool has no time.
        for (Sample &s : ours) {
            if (s.time == QLatin1String("20000000000000"))
                s.time.clear();
        }

        QProcess exiftool;
        exiftool.start(program,
                       {QStringLiteral("-ee3"), QStringLiteral("-n"), QStringLiteral("-j"),
                        QStringLiteral("-G3"), video});
        QVERIFY(exiftool.waitForFinished(120000));
        const QVector<Sample> theirs =
            exifToolSamples(exiftool.readAllStandardOutput(), speedFactor);
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
                if (t.fix && (t.wholeSecond || !kTimedInTenths.contains(fixture)))
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
