// The timed-metadata track readers (GPMF "gpmd" items, camera motion "camm" records) on small
// movies built byte by byte: damaged sizes and counts, runaway nesting, unusable divisors and
// records, each ending in the lines that can be trusted or in a failure that says why.
#include "bytebuilders.h"
#include "extracttrack.h"
#include "trackreaders.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using namespace bytebuilders;

// A movie whose only track is a metadata track of format with the given samples, one second
// each, in a media data box after the movie box.
QByteArray movie(const char *format, const QList<QByteArray> &samples)
{
    return oneTrackFile(samples, format, "meta");
}

QByteArray klv(const char *key, char type, int structSize, int repeat, const QByteArray &payload)
{
    QByteArray b = QByteArray(key, 4) + type + char(structSize) + be16(quint16(repeat)) + payload;
    while (b.size() % 4)
        b += '\0';
    return b;
}
QByteArray nest(const char *key, const QByteArray &items)
{
    return klv(key, '\0', 4, items.size() / 4, items);
}

QByteArray scal5()
{
    return klv("SCAL", 'l', 4, 5,
               be32(10000000) + be32(10000000) + be32(1000) + be32(1000) + be32(100));
}
// count GPS5 points near Lisbon at 10 m/s.
QByteArray gps5Points(int count)
{
    QByteArray b;
    for (int k = 0; k < count; ++k)
        b += be32(quint32(387071000 + k)) + be32(quint32(qint32(-91357000 - k))) + be32(50000) +
             be32(10000) + be32(1000);
    return b;
}
QByteArray gpsStream(const QByteArray &before, const QByteArray &gps5)
{
    return nest("DEVC", nest("STRM", before + scal5() + gps5));
}
QByteArray gpsu()
{
    return klv("GPSU", 'U', 16, 1, "240802101500.000");
}

QByteArray cammHead(quint16 type)
{
    return le32(quint32(type) << 16);
}
QByteArray camm6(int mode, double lat, double lon)
{
    QByteArray r =
        cammHead(6) + leDouble(1406627700.0) + le32(quint32(mode)) + leDouble(lat) + leDouble(lon);
    for (float v : {10.0f, 2.0f, 3.0f, 3.0f, 4.0f, 0.0f, 0.5f})
        r += leFloat(v);
    return r;
}

} // namespace

class TestGpmf : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void readsOrRefuses_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("sample");
        QTest::addColumn<int>("lines");       // -1: no track
        QTest::addColumn<QString>("problem"); // part of the reason given, or empty
        QTest::addColumn<bool>("fix");        // the first line has a fix

        const QString gpmd = QStringLiteral("gpmd"), camm = QStringLiteral("camm");
        QTest::newRow("GPS5 points with their time")
            << gpmd << gpsStream(gpsu(), klv("GPS5", 'l', 20, 10, gps5Points(10))) << 1 << QString()
            << true;
        QTest::newRow("GPS5 without GPSU still has its fixes")
            << gpmd << gpsStream({}, klv("GPS5", 'l', 20, 10, gps5Points(10))) << 1 << QString()
            << true;
        QTest::newRow("GPSF 0 with a time: a no-fix line")
            << gpmd
            << gpsStream(gpsu() + klv("GPSF", 'L', 4, 1, be32(0)),
                         klv("GPS5", 'l', 20, 10, gps5Points(10)))
            << 1 << QString() << false;
        QTest::newRow("GPSF 0 without a time")
            << gpmd
            << gpsStream(klv("GPSF", 'L', 4, 1, be32(0)), klv("GPS5", 'l', 20, 10, gps5Points(10)))
            << -1 << "none of its GPS points" << false;
        QTest::newRow("repeat beyond the stream")
            << gpmd
            << gpsStream(gpsu(), klv("GPS5", 'l', 20, 10, gps5Points(10)).replace(6, 2, be16(11)))
            << -1 << "damaged" << false;
        QTest::newRow("stream larger than its device")
            << gpmd << nest("DEVC", QByteArray("STRM") + '\0' + char(4) + be16(200) + gpsu()) << -1
            << "damaged" << false;
        QByteArray deep = klv("GPS5", 'l', 20, 1, gps5Points(1));
        for (int i = 0; i < 40; ++i)
            deep = nest(i % 2 ? "DEVC" : "STRM", deep);
        QTest::newRow("nesting without end") << gpmd << deep << -1 << "damaged" << false;
        QTest::newRow("zero divisor")
            << gpmd
            << nest("DEVC", nest("STRM", klv("SCAL", 'l', 4, 1, be32(0)) +
                                             klv("GPS5", 'l', 20, 10, gps5Points(10))))
            << -1 << "none of its GPS points" << false;
        QTest::newRow("GPS5 of too few elements")
            << gpmd << gpsStream(gpsu(), klv("GPS5", 'l', 16, 1, gps5Points(1).left(16))) << -1
            << "no GPS stream" << false;
        QTest::newRow("GPS9 whose TYPE is too short")
            << gpmd
            << nest("DEVC", nest("STRM", klv("TYPE", 'c', 1, 2, "ll") +
                                             klv("GPS9", '?', 32, 1, QByteArray(32, '\1'))))
            << -1 << "no GPS stream" << false;
        QTest::newRow("not GPMF items: left to the other readers")
            << gpmd << QByteArray("FMAS\0\0\0\0", 8) + QByteArray(64, 'x') << -1 << QString()
            << false;
        QTest::newRow("camm positions with time")
            << camm << camm6(3, 38.7071, -9.1357) << 1 << QString() << true;
        QTest::newRow("camm measure mode 0")
            << camm << camm6(0, 38.7071, -9.1357) << 1 << QString() << false;
        QTest::newRow("camm record cut short")
            << camm << camm6(3, 38.7071, -9.1357).left(40) << -1 << QString() << false;
        QTest::newRow("camm unknown record type")
            << camm << cammHead(9) + camm6(3, 38.7071, -9.1357) << -1 << QString() << false;
        QTest::newRow("camm acceleration only")
            << camm << cammHead(3) + leFloat(0) + leFloat(0) + leFloat(9.8f) << -1
            << "no GPS records" << false;
    }

    void readsOrRefuses()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, sample);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        QFETCH(bool, fix);
        const QByteArray file = movie(qPrintable(format), {sample});
        VideoInput video;
        video.data = reinterpret_cast<const unsigned char *>(file.constData());
        video.size = std::size_t(file.size());
        const QString text = m_dir.filePath(QStringLiteral("track.txt"));
        TrackReport report;
        const int result = format == QLatin1String("gpmd")
                               ? readGpmfTrack(video, QFile::encodeName(text).constData(), &report)
                               : readCammTrack(video, QFile::encodeName(text).constData(), &report);
        QCOMPARE(result, lines);
        if (problem.isEmpty())
            QVERIFY2(report.problem.empty(), report.problem.c_str());
        else
            QVERIFY2(QString::fromStdString(report.problem).contains(problem),
                     report.problem.c_str());
        if (lines < 0)
            return;
        QFile f(text);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray first = f.readLine();
        QCOMPARE(first.startsWith('A'), fix);
    }

    // Every cut of a valid movie ends in a track or a failure, never in a read past the end.
    void everyTruncationEnds()
    {
        const QByteArray file =
            movie("gpmd", {gpsStream(gpsu(), klv("GPS5", 'l', 20, 10, gps5Points(10))),
                           gpsStream(gpsu(), klv("GPS5", 'l', 20, 10, gps5Points(10)))});
        for (int size = 0; size < file.size(); ++size) {
            const QByteArray cut = file.left(size);
            VideoInput video;
            video.data = reinterpret_cast<const unsigned char *>(cut.constData());
            video.size = std::size_t(cut.size());
            TrackReport report;
            QVERIFY(readGpmfTrack(video, nullptr, &report) <= 2);
        }
    }
};

QTEST_GUILESS_MAIN(TestGpmf)
#include "tst_gpmf.moc"
