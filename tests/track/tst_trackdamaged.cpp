// Damaged and hostile files: every reader ends, stays inside its buffers and answers with a
// failure or with the valid lines before the damage. Also files beyond 2 GiB.
#include "trackfixtures.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace fixtures;

namespace {
const RMCINFO kA = sample('A', 2232.5f, 11400.0f, 0);
const RMCINFO kB = sample('A', 2232.5f, 11400.0f, 1);

// Offsets 0 and 1 stand for the first and second block.
QByteArray gpsIndexFile(qint32 count, const QList<quint32> &offsets)
{
    const int dataStart = ftyp().size() + 8;
    const QByteArray data = zeros(16) + bytes(kA) + zeros(16) + bytes(kB) + zeros(64);
    QByteArray index = be32(1) + be32(quint32(count));
    for (quint32 o : offsets)
        index += be32(o == 0 ? quint32(dataStart) : o == 1 ? quint32(dataStart + 96) : o) + be32(0);
    return ftyp() + box("mdat", data) + box("gps ", index);
}

QByteArray hisiBlock(qint32 latDen)
{
    QByteArray b = zeros(716);
    auto put = [&b](int at, qint32 v) { b.replace(at, 4, le32(v)); };
    put(16, 1);
    put(20, 22325000);
    put(24, latDen);
    put(28, 114000000);
    put(32, 10000);
    put(52, 16);
    put(56, 5);
    put(60, 24);
    return b;
}

QByteArray hisiFile(const QList<quint32> &chunks, int count, qint32 latDen = 10000)
{
    const int dataStart = ftyp().size() + 8;
    QList<quint32> absolute;
    for (quint32 c : chunks)
        absolute << (c == 0 ? quint32(dataStart) : c);
    return ftyp() + box("mdat", hisiBlock(latDen)) +
           box("moov", trak(tkhd(0, 0), stco(absolute, count)));
}

QByteArray nested(int depth, const QByteArray &inner)
{
    QByteArray b = inner;
    for (int i = 0; i < depth; ++i)
        b = box("moov", b);
    return b;
}

bool writeSparse(const QString &path, const QList<QPair<qint64, QByteArray>> &pieces, qint64 size)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || !f.resize(size))
        return false;
    for (const auto &piece : pieces) {
        if (!f.seek(piece.first) || f.write(piece.second) != piece.second.size())
            return false;
    }
    return true;
}
} // namespace

class TestTrackDamaged : public QObject
{
    Q_OBJECT
    Workspace m_ws;

private slots:
    void initTestCase() { setTrackDiagnosticsStream(fopen("/dev/null", "w")); }

    void damaged_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray none;
        for (int kind : {0, 1, 2})
            QTest::newRow(qPrintable(QStringLiteral("empty file, kind %1").arg(kind)))
                << QByteArray() << kind << false << none;
        QTest::newRow("only a partial head") << QByteArray("\0\0\0", 3) << 1 << false << none;

        QTest::newRow("gps0 runs past the end")
            << ftyp() + rawHead(8 + 800, "gps0") + bytes(kA) << 0 << false << none;
        QTest::newRow("gps0 of size 0 runs to the end")
            << ftyp() + rawHead(0, "gps0") + bytes(kA) + bytes(kB) << 0 << true
            << line(kA) + line(kB);
        QTest::newRow("gps0 smaller than a record")
            << ftyp() + box("gps0", zeros(40)) << 0 << true << none;
        QTest::newRow("gps0 of 8 bytes ends the file")
            << ftyp() + box("gps0", QByteArray()) << 1 << true << none;
        QTest::newRow("gps0 head claims 4 bytes")
            << ftyp() + rawHead(4, "gps0") + bytes(kA) << 0 << false << none;
        QTest::newRow("box of size 4")
            << ftyp() + rawHead(4, "free") + box("gps0", bytes(kA)) << 1 << false << none;
        QTest::newRow("box of size 0 before the samples")
            << ftyp() + rawHead(0, "free") + box("gps0", bytes(kA)) << 0 << false << none;
        QTest::newRow("large size absurd")
            << ftyp() + rawHead(1, "free") + be64(~quint64(0)) + box("gps0", bytes(kA)) << 1
            << false << none;
        QTest::newRow("large size below its head")
            << ftyp() + rawHead(1, "free") + be64(8) + box("gps0", bytes(kA)) << 1 << false << none;
        QTest::newRow("large size read whole")
            << ftyp() + rawHead(1, "free") + be64(24) + zeros(8) + box("gps0", bytes(kA)) << 1
            << true << line(kA);
        QTest::newRow("large size in the high half")
            << ftyp() + rawHead(1, "free") + be64((quint64(1) << 32) + 24) + zeros(8) +
                   box("gps0", bytes(kA))
            << 1 << false << none;
        QTest::newRow("containers nested without end")
            << ftyp() + nested(200, box("gps0", bytes(kA))) << 1 << false << none;
        QTest::newRow("a few containers are fine")
            << ftyp() + nested(3, box("gps0", bytes(kA))) << 1 << true << line(kA);
        QTest::newRow("child past its parent")
            << ftyp() + rawHead(16, "moov") + box("mvhd", zeros(100)) + box("gps0", bytes(kA)) << 1
            << false << none;

        QTest::newRow("gps count beyond its table")
            << gpsIndexFile(0x7fffffff, {0, 1}) << 1 << true << line(kA) + line(kB);
        QTest::newRow("gps count negative") << gpsIndexFile(-5, {0, 1}) << 1 << false << none;
        QTest::newRow("gps offset past the end")
            << gpsIndexFile(3, {0, 0xffffff00u, 1}) << 1 << true << line(kA);
        QTest::newRow("gps box without a count")
            << ftyp() + box("gps ", be32(1)) << 1 << false << none;

        QTest::newRow("stco count beyond its table")
            << hisiFile({0}, 0x7fffffff) << 1 << false << none;
        QTest::newRow("stco offset past the end")
            << hisiFile({0, 0x7fffff00u}, -1) << 1 << false << none;
        QTest::newRow("stco head only")
            << ftyp() + box("moov", trak(tkhd(0, 0), box("stco", zeros(4)))) << 1 << false << none;
        QTest::newRow("zero denominator")
            << hisiFile({0}, -1, 0) << 1 << true
            << QByteArray("A20240516000000,0.000000,S,11400.000000,E,0.00,0.00,0,0,0\n");
        QTest::newRow("tkhd too small for a size")
            << ftyp() + box("moov", trak(box("tkhd", zeros(2)), stco({}))) << 1 << true << none;

        QTest::newRow("freeGPS chunk past the end")
            << ftyp() + box("moov", trak(tkhd(0, 0), stsd(1, 16, 8000) + stco({0xfffec000u}))) << 0
            << false << none;
        QTest::newRow("sample description at its limits")
            << ftyp() +
                   box("moov", trak(tkhd(0, 0), stsd(65535, 65535, 65535) + stco({0x8000, 0}))) +
                   zeros(40000)
            << 0 << false << none;
        QTest::newRow("sample description cut short")
            << ftyp() + box("moov", trak(tkhd(0, 0), box("stsd", zeros(8)) + stco({0}))) << 0
            << false << none;

        QTest::newRow("transport stream shorter than a packet")
            << QByteArray("\x47\x43\x00\x00", 4) << 2 << false << none;
    }
    void damaged()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, kind);
        QFETCH(bool, success);
        QFETCH(QByteArray, expected);
        const Result r = m_ws.extract(file, kind);
        if (success)
            QCOMPARE(r.code, 0);
        else
            QVERIFY2(r.code < 0, qPrintable(QString::number(r.code)));
        QCOMPARE(r.text, expected);
    }

    void garbage()
    {
        QRandomGenerator random(20240516);
        for (int round = 0; round < 50; ++round) {
            QByteArray file(int(random.bounded(1, 5000)), '\0');
            for (char &c : file)
                c = char(random.bounded(256));
            // Sprinkle plausible heads so the walks get somewhere.
            if (round % 2)
                file.replace(0, 16,
                             rawHead(quint32(random.bounded(0, 64)), "moov") + rawHead(1, "trak"));
            for (int kind : {0, 1, 2})
                m_ws.extract(file, kind); // must simply return
        }
    }

    void largeFiles_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("gps0 beyond 2 GiB") << QStringLiteral("gps0");
        QTest::newRow("HiSilicon block beyond 2 GiB") << QStringLiteral("hisilicon");
    }
    void largeFiles()
    {
        QFETCH(QString, layout);
        // Sparse files: the holes take no room on disk.
        const qint64 far = 0xA0000000; // 2.5 GiB
        const QString path = m_ws.path(QStringLiteral("large.mp4"));
        const QByteArray head = ftyp();
        QList<QPair<qint64, QByteArray>> pieces;
        QByteArray expected;
        if (layout == QLatin1String("gps0")) {
            pieces << qMakePair(qint64(0), head + rawHead(quint32(far - head.size()), "free"))
                   << qMakePair(far, box("gps0", bytes(kA)));
            expected = line(kA);
        } else {
            const QByteArray moov = box("moov", trak(tkhd(0, 0), stco({quint32(far)})));
            pieces << qMakePair(qint64(0),
                                head + moov +
                                    rawHead(quint32(far + 716 - head.size() - moov.size()), "mdat"))
                   << qMakePair(far, hisiBlock(10000));
            expected = "A20240516000000,2232.500000,N,11400.000000,E,0.00,0.00,0,0,0\n";
        }
        if (!writeSparse(path, pieces, far + 716 + 88))
            QSKIP("no room for a sparse file here");
        const Result r = m_ws.extract(path, 1);
        QFile::remove(path);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.text, expected);
    }
};

QTEST_GUILESS_MAIN(TestTrackDamaged)
#include "tst_trackdamaged.moc"
