// "freeGPS " blocks on files built byte by byte. Scanned ones that no index lists: where the scan
// looks (any offset, 32 KiB boundaries once the first block sits on one, top-level "free" boxes,
// only the first 20 MB for the first block), the masked ring's rules for new records. Blocks
// listed by a "gps " index: damaged indexes and blocks. Damage ends in fewer samples or in a
// problem the probe tells; variants recognised but not unmasked must say so.
#include "bytebuilders.h"
#include "freegpsblocks.h"

#include <QtTest>

#include <cstring>

namespace {

using namespace bytebuilders;

constexpr int kBlockSize = 256;

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

QByteArray indexedHead()
{
    QByteArray b(kBlockSize, '\0');
    b[2] = 1; // 256, big-endian
    std::memcpy(b.data() + 4, "freeGPS ", 8);
    setLe32(b, 12, kBlockSize - 12);
    return b;
}

// The plain binary record 48 bytes in: a fix at 08:00:second on 2024-06-03.
QByteArray binaryBlock(int second)
{
    QByteArray b = indexedHead();
    const quint32 fields[] = {8, 0, quint32(second), 24, 6, 3};
    for (int i = 0; i < 6; ++i)
        setLe32(b, 48 + 4 * i, fields[i]);
    b[72] = 'A';
    b[73] = 'N';
    b[74] = 'E';
    setLeFloat(b, 76, 2232.5f);
    setLeFloat(b, 80, 11403.5f);
    setLeFloat(b, 84, 10.0f);
    setLeFloat(b, 88, 90.0f);
    return b;
}

// Masked ASCII whose head is right but whose text does not unmask to digits.
QByteArray maskedTextBlock()
{
    QByteArray b = indexedHead();
    const unsigned char head[] = {0xaa, 0xaa, 0xf2, 0xe1, 0xf0, 0xee, 0x54, 0x54};
    std::memcpy(b.data() + 18, head, sizeof head);
    for (int i = 26; i < kBlockSize; ++i)
        b[i] = char(0x11 + i % 7);
    return b;
}

// The 0xAC size word of the variant whose whole text is masked.
QByteArray wholeTextMaskedBlock()
{
    QByteArray b = indexedHead();
    setLe32(b, 12, 0xac);
    for (int i = 60; i < 132; ++i)
        b[i] = char(0x3c + i % 11);
    return b;
}

struct Entry
{
    qint64 offset; // below 0: the block's own place
    quint32 size;
};

// The blocks in a top-level "free" box, the index after it; count overrides the entry count
// when not negative, entries override where the blocks are said to be and their sizes.
QByteArray fileOf(const QVector<QByteArray> &blocks, qint64 count = -1,
                  const QVector<Entry> &entries = {})
{
    QByteArray payload;
    QVector<Entry> listed;
    for (const QByteArray &b : blocks) {
        listed.push_back({8 + payload.size(), quint32(b.size())});
        payload += b;
    }
    for (int i = 0; i < entries.size() && i < listed.size(); ++i) {
        if (entries[i].offset >= 0)
            listed[i].offset = entries[i].offset;
        listed[i].size = entries[i].size;
    }
    QByteArray index;
    index += be32(0x101);
    index += be32(quint32(count >= 0 ? count : listed.size()));
    for (const Entry &e : listed) {
        index += be32(quint32(e.offset));
        index += be32(e.size);
    }
    return box("free", payload) + box("gps ", index);
}

} // namespace

class TestFreeGps : public QObject
{
    Q_OBJECT

    // Runs reader; the problem must contain problem (be empty when it is), the track start with
    // line (or hold it anywhere).
    static void check(TrackReader reader, const QByteArray &file, int lines, const QString &problem,
                      const QString &line, bool anywhere = false)
    {
        TrackReport report;
        QByteArray text;
        QCOMPARE(runReader(reader, file, &report, &text), lines);
        const QString got = QString::fromStdString(report.problem);
        QVERIFY2(problem.isEmpty() ? got.isEmpty() : got.contains(problem), qPrintable(got));
        if (lines > 0)
            QVERIFY2(anywhere ? text.contains(line.toLatin1()) : text.startsWith(line.toLatin1()),
                     text.left(80).constData());
    }

private slots:
    void scanned_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("lines");       // -1: no track
        QTest::addColumn<QString>("problem"); // empty: none
        QTest::addColumn<QString>("firstLine");

        const QByteArray noise(37, '\x47'); // 'G's: the scan's first test byte
        const QString none;
        const QString first = QStringLiteral("A20240610093000,4807.038000,N,");
        QTest::newRow("no-fix block keeps its second")
            << recording(noise + doublesBlock(0, 'V') + doublesBlock(1)) << 2 << none
            << QStringLiteral("V20240610093000,0.000000,N,0.000000,E,0.00");
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
            << ftyp(0, {}) + doublesBlock(0) + box("mdat", noise) << 1 << none << first;
        QTest::newRow("head straddling the scan's reads")
            << recording(QByteArray(256 * 1024 - 5, '\x47') + doublesBlock(0)) << 1 << none
            << first;
        QTest::newRow("first block beyond 20 MB")
            << recording(QByteArray(21 * 1000 * 1000, '\0') + doublesBlock(0)) << -1 << none
            << none;
        // The media data box claims a MiB.
        QTest::newRow("media data cut short")
            << patched(recording(doublesBlock(0) + doublesBlock(1)), 16, be32(0x00100000)) << 2
            << none << first;
        // A size with its first byte set is no block head.
        QTest::newRow("head with a size beyond 16 MB")
            << recording(patched(doublesBlock(0), 0, "\1")) << -1 << none << none;

        QTest::newRow("block cut by the end of the media data")
            << recording(doublesBlock(0).left(0x60)) << -1
            << QStringLiteral("freeGPS blocks found, but none holds a sample") << none;
        QTest::newRow("declared size beyond the file")
            << recording(patched(doublesBlock(0), 0, be32(0x00ffff00))) << 1 << none << first;
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
    }

    void scanned()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        QFETCH(QString, firstLine);
        check(readScannedFreeGps, file, lines, problem, firstLine);
    }

    void indexed_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("lines");       // below 0: no track
        QTest::addColumn<QString>("problem"); // a part of report->problem, empty: none

        const QString text = QStringLiteral("text is masked");
        const QString position = QStringLiteral("position is masked");
        QTest::newRow("masked text that does not unmask")
            << fileOf({maskedTextBlock(), maskedTextBlock()}) << -1 << text;
        QTest::newRow("status 24 bytes in, position masked")
            << fileOf({patched(indexedHead(), 24, "ANW")}) << -1 << position;
        // Hour, month and day words, then the status; the position is in masked doubles.
        QTest::newRow("position in masked doubles")
            << fileOf({patched(patched(indexedHead(), 48, le32(8)), 64, le32(6) + le32(3) + "ASE")})
            << -1 << position;
        QTest::newRow("whole text masked") << fileOf({wholeTextMaskedBlock()}) << -1 << text;
        QTest::newRow("offset text that is no sentence")
            << fileOf({patched(indexedHead(), 60, "4W`b]S<" + QByteArray(73, 'x'))}) << -1 << text;
        QTest::newRow("a masked block among readable ones")
            << fileOf({binaryBlock(0), maskedTextBlock(), binaryBlock(2)}) << 3 << QString();
        QTest::newRow("count beyond the index box")
            << fileOf({binaryBlock(0), binaryBlock(1)}, 100000) << 2 << QString();
        QTest::newRow("count of zero") << fileOf({binaryBlock(0)}, 0) << -1 << QString();
        QTest::newRow("count with the top bit set")
            << fileOf({binaryBlock(0)}, 0x80000000LL) << 1 << QString();
        QTest::newRow("entry past the end of the file")
            << fileOf({binaryBlock(0), binaryBlock(1)}, -1, {{0x7fffff00, kBlockSize}}) << 2
            << QString();
        QTest::newRow("entry larger than the file")
            << fileOf({binaryBlock(0)}, -1, {{-1, 0xffffffffu}}) << -1 << QString();
        QTest::newRow("block below the smallest size")
            << fileOf({binaryBlock(0)}, -1, {{-1, 91}}) << -1 << QString();
        QTest::newRow("block cut to its record")
            << fileOf({binaryBlock(0)}, -1, {{-1, 92}}) << 1 << QString();
        QTest::newRow("no freeGPS tag")
            << fileOf({patched(binaryBlock(0), 4, "F")}) << -1 << QString();
        QTest::newRow("record without a status")
            << fileOf({patched(binaryBlock(0), 72, "X")}) << -1 << QString();
        QTest::newRow("index box cut short")
            << fileOf({binaryBlock(0)}).chopped(9) << -1 << QString();
    }

    void indexed()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        check(readIndexedFreeGps, file, lines, problem,
              QStringLiteral(",2232.500000,N,11403.500000,E,10.00,90.00,"), true);
    }
};

QTEST_GUILESS_MAIN(TestFreeGps)
#include "tst_freegps.moc"
