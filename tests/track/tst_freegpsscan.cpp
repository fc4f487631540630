// The scan for "freeGPS " blocks that no index lists, on files built byte by byte: where it
// looks (any offset, 32 KiB boundaries once the first block sits on one, top-level "free"
// boxes, only the first 20 MB for the first block), the masked ring's rules for new records,
// and damaged or hostile blocks, which end in fewer samples or in a problem the probe tells.
#include "bytebuilders.h"
#include "freegpsblocks.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

using namespace bytebuilders;

QByteArray recording(const QByteArray &mediaData)
{
    return ftyp(0, {}) + box("mdat", mediaData);
}

QByteArray blockHead(quint32 declared, int size)
{
    QByteArray b(size, '\0');
    setBe32(b, 0, declared);
    std::memcpy(b.data() + 4, "freeGPS ", 8);
    return b;
}

// Clock words, status word, ddmm.mmmm doubles with hemisphere words: one sample at second s.
QByteArray doublesBlock(int s, char status = 'A')
{
    QByteArray b = blockHead(0x100, 0x100);
    setLe32(b, 0x30, 9);
    setLe32(b, 0x34, 30);
    setLe32(b, 0x38, quint32(s));
    b[0x3c] = status;
    setLeDouble(b, 0x40, 4807.038);
    b[0x48] = 'N';
    setLeDouble(b, 0x50, 1131.0 + s * 0.01);
    b[0x58] = 'E';
    setLeDouble(b, 0x60, 22.4);
    setLeDouble(b, 0x68, 84.4);
    setLe32(b, 0x70, 24);
    setLe32(b, 0x74, 6);
    setLe32(b, 0x78, 10);
    return b;
}

// A ring of 52-byte records from 0x30, each masked with its key bytes; seconds[i] < 0 leaves
// slot i empty.
QByteArray ringBlock(const QVector<int> &seconds, int month = 6)
{
    QByteArray b = blockHead(0x200, 0x200);
    for (int slot = 0; slot < seconds.size(); ++slot) {
        if (seconds[slot] < 0)
            continue;
        QByteArray r(52, '\0');
        r[0x0d] = char(9 - 1);
        r[0x0e] = char(30);
        r[0x0f] = char(seconds[slot]);
        setLe32(r, 0x10, quint32(481173000));
        std::memcpy(r.data() + 0x15, "ATC", 3);
        setLe32(r, 0x18, quint32(115166666 + seconds[slot] * 100));
        std::memcpy(r.data() + 0x1d, "001", 3);
        setLe32(r, 0x20, 1000);
        r[0x2c] = char(2024 & 0xff);
        r[0x2d] = char(2024 >> 8);
        r[0x2e] = char(month);
        r[0x2f] = char(10);
        const char key1 = char(0x3c + slot), key2 = char(0x71 + slot);
        for (int i = 0; i <= 0x14; ++i)
            r[i] = char(r[i] ^ key1);
        for (int i = 0x18; i <= 0x1b; ++i)
            r[i] = char(r[i] ^ key1);
        for (int i = 0x1c; i <= 0x32; ++i)
            r[i] = char(r[i] ^ (i == 0x1c || i >= 0x20 ? key2 : 0));
        b.replace(0x30 + 52 * slot, 52, r);
    }
    return b;
}

// Big-endian 32-byte records from 0x30; months[i] is record i's month.
QByteArray bigEndianBlock(const QVector<int> &months)
{
    QByteArray b = blockHead(0x100, 0x100);
    for (int i = 0; i < months.size(); ++i) {
        const int at = 0x32 + 32 * i;
        b[at + 4] = char(2024 >> 8);
        b[at + 5] = char(2024 & 0xff);
        b[at + 6] = char(months[i]);
        b[at + 7] = char(10);
        b[at + 8] = char(9);
        b[at + 9] = char(30);
        b[at + 11] = char(10 * i);
        setBe32(b, at + 13, quint32(481173000));
        setBe32(b, at + 17, quint32(115166666));
    }
    return b;
}

QByteArray timelessBlock(int records)
{
    QByteArray b = blockHead(0x100, 0x100);
    for (int i = 0; i < records; ++i) {
        const int at = 16 + 32 * i;
        std::memcpy(b.data() + at, "ANE", 3);
        setLeFloat(b, at + 4, 4807.038f);
        setLeFloat(b, at + 8, 1131.0f);
    }
    return b;
}

QByteArray at32KiB(const QVector<QByteArray> &blocks)
{
    // The media data payload starts 24 bytes into the file.
    QByteArray data(0x8000 - 24, '\x55');
    for (const QByteArray &b : blocks) {
        data += b;
        data.append(int(0x8000 - (24 + data.size()) % 0x8000) % 0x8000, '\x55');
    }
    return data;
}

} // namespace

class TestFreeGpsScan : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void scansAndRefuses_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("lines");       // -1: no track
        QTest::addColumn<QString>("problem"); // empty: none
        QTest::addColumn<QString>("firstLine");

        const QByteArray noise(37, '\x47'); // 'G's: the scan's first test byte
        const QString none;
        const QString first = QStringLiteral("A20240610093000,4807.038000,N,");
        QTest::newRow("blocks anywhere")
            << recording(noise + doublesBlock(0) + noise + doublesBlock(1) + doublesBlock(2)) << 3
            << none << first;
        QTest::newRow("no-fix block keeps its second")
            << recording(noise + doublesBlock(0, 'V') + doublesBlock(1)) << 2 << none
            << QStringLiteral("V20240610093000,0.000000,N,0.000000,E,0.00");
        QTest::newRow("blocks on 32 KiB boundaries")
            << recording(at32KiB({doublesBlock(0), doublesBlock(1), doublesBlock(2)})) << 3 << none
            << first;
        // Once the first two blocks sit on boundaries, the scan looks only at boundaries; one
        // block there may be chance.
        QTest::newRow("boundaries only, once the first two are on one")
            << recording(
                   at32KiB({doublesBlock(0), doublesBlock(1) + doublesBlock(5), doublesBlock(2)}))
            << 3 << none << first;
        QTest::newRow("a first block on a boundary by chance")
            << recording(at32KiB({doublesBlock(0) + doublesBlock(1), doublesBlock(2)})) << 3 << none
            << first;
        QTest::newRow("block as a top-level free box")
            << ftyp(0, {}) + doublesBlock(0) + box("mdat", noise)
            << 1 << none << first;
        QTest::newRow("head straddling the scan's reads")
            << recording(QByteArray(256 * 1024 - 5, '\x47') + doublesBlock(0)) << 1 << none
            << first;
        QTest::newRow("first block beyond 20 MB")
            << recording(QByteArray(21 * 1000 * 1000, '\0') + doublesBlock(0)) << -1 << none
            << none;
        QByteArray cut = recording(doublesBlock(0) + doublesBlock(1));
        setBe32(cut, 16, 0x00100000); // the media data box claims a MiB
        QTest::newRow("media data cut short") << cut << 2 << none << first;
        QTest::newRow("no block") << recording(noise) << -1 << none << none;
        QByteArray wideSize = doublesBlock(0);
        wideSize[0] = 1; // a size with its first byte set is no block head
        QTest::newRow("head with a size beyond 16 MB") << recording(wideSize) << -1 << none << none;

        QTest::newRow("block cut by the end of the media data")
            << recording(doublesBlock(0).left(0x60)) << -1
            << QStringLiteral("freeGPS blocks found, but none holds a sample") << none;
        QByteArray longer = doublesBlock(0);
        setBe32(longer, 0, 0x00ffff00);
        QTest::newRow("declared size beyond the file") << recording(longer) << 1 << none << first;
        QTest::newRow("declared size below the head")
            << recording(blockHead(0, 12) + QByteArray(200, '\0')) << -1
            << QStringLiteral("freeGPS blocks found, but their layout is not one known") << none;
        QTest::newRow("unknown layout")
            << recording(blockHead(0x100, 0x100)) << -1
            << QStringLiteral("freeGPS blocks found, but their layout is not one known") << none;
        QByteArray heads;
        for (int i = 0; i < 5000; ++i)
            heads += blockHead(0, 12); // a size below the head counts as the head's 12 bytes
        QTest::newRow("thousands of empty heads")
            << recording(heads) << -1
            << QStringLiteral("freeGPS blocks found, but their layout is not one known") << none;

        const QString ringFirst = QStringLiteral("A20240610093000,4807.038000,N,");
        QTest::newRow("ring: each block adds its new record")
            << recording(ringBlock({0, -1, -1}) + ringBlock({0, 1, -1}) + ringBlock({0, 1, 2})) << 3
            << none << ringFirst;
        QTest::newRow("ring: a repeated block adds nothing")
            << recording(ringBlock({0, 1, -1}) + ringBlock({0, 1, -1})) << 2 << none << ringFirst;
        QTest::newRow("ring: wrapped, older records after the new one end the block")
            << recording(ringBlock({0, 1, 2}) + ringBlock({3, 1, 2})) << 4 << none << ringFirst;
        QTest::newRow("ring masked in another way")
            << recording(ringBlock({0, 1}, 200) + ringBlock({0, 1}, 200)) << -1
            << QStringLiteral(
                   "freeGPS blocks found, but their records are masked in a way not yet known")
            << none;

        QTest::newRow("big-endian records end at a bad date")
            << recording(bigEndianBlock({6, 6, 13, 6})) << 2 << none
            << QStringLiteral("A20240610093000,4807.038000,N,");
        QTest::newRow("timeless records, one a second")
            << recording(timelessBlock(3)) << 3 << none
            << QStringLiteral("A20000000000000,4807.038");
    }

    void scansAndRefuses()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        QFETCH(QString, firstLine);
        VideoInput video;
        video.data = reinterpret_cast<const unsigned char *>(file.constData());
        video.size = std::size_t(file.size());
        const QString textPath = m_dir.filePath(QStringLiteral("track.txt"));
        QFile::remove(textPath);
        TrackReport report;
        const int result =
            readScannedFreeGps(video, QFile::encodeName(textPath).constData(), &report);
        QCOMPARE(result, lines);
        QCOMPARE(QString::fromStdString(report.problem), problem);
        if (lines > 0) {
            QFile text(textPath);
            QVERIFY(text.open(QIODevice::ReadOnly));
            const QString line = QString::fromLatin1(text.readLine());
            QVERIFY2(line.startsWith(firstLine), qPrintable(line));
        }
    }
};

QTEST_GUILESS_MAIN(TestFreeGpsScan)
#include "tst_freegpsscan.moc"
