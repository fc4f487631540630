// "freeGPS " blocks, scanned and indexed, on files built byte by byte.
#include "bytebuilders.h"
#include "freegpsblocks.h"

#include <QtTest>

namespace {

using namespace bytebuilders;

constexpr int kBlockSize = 256;

QByteArray recording(const QByteArray &mediaData)
{
    return ftyp(0, {}) + box("mdat", mediaData);
}

QByteArray blockHead(quint32 declared, int size)
{
    return be32(declared) + "freeGPS " + QByteArray(size - 12, '\0');
}

// Clock words, status word, ddmm.mmmm doubles with hemisphere words: one sample at second s.
QByteArray doublesBlock(int s, char status = 'A')
{
    QByteArray b = blockHead(0x100, 0x100);
    b.replace(0x30, 13, le32(9) + le32(30) + le32(quint32(s)) + status);
    b.replace(0x40, 9, leDouble(4807.038) + 'N');
    b.replace(0x50, 9, leDouble(1131.0 + s * 0.01) + 'E');
    b.replace(0x60, 28, leDouble(22.4) + leDouble(84.4) + le32(24) + le32(6) + le32(10));
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
        r.replace(0x0d, 23,
                  QByteArray(1, char(9 - 1)) + char(30) + char(seconds[slot]) + le32(481173000) +
                      '\0' + "ATC" + le32(quint32(115166666 + seconds[slot] * 100)) + '\0' + "001" +
                      le32(1000));
        r.replace(0x2c, 4, QByteArray("\xe8\x07") + char(month) + char(10)); // 2024
        const char key1 = char(0x3c + slot), key2 = char(0x71 + slot);
        for (int i = 0; i <= 0x32; ++i)
            r[i] = char(r[i] ^ (i <= 0x14 || (i >= 0x18 && i <= 0x1b) ? key1
                                : i == 0x1c || i >= 0x20              ? key2
                                                                      : 0));
        b.replace(0x30 + 52 * slot, 52, r);
    }
    return b;
}

// Big-endian 32-byte records from 0x30; months[i] is record i's month.
QByteArray bigEndianBlock(const QVector<int> &months)
{
    QByteArray b = blockHead(0x100, 0x100);
    for (int i = 0; i < months.size(); ++i)
        b.replace(0x36 + 32 * i, 17,
                  QByteArray("\x07\xe8") + char(months[i]) + char(10) + char(9) + char(30) + '\0' +
                      char(10 * i) + '\0' + be32(481173000) + be32(115166666));
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
    return be32(kBlockSize) + "freeGPS " + le32(kBlockSize - 12) +
           QByteArray(kBlockSize - 16, '\0');
}

// The plain binary record 48 bytes in: a fix at 08:00:second on 2024-06-03.
QByteArray binaryBlock(int second)
{
    return patched(indexedHead(), 48,
                   le32(8) + le32(0) + le32(quint32(second)) + le32(24) + le32(6) + le32(3) +
                       "ANE" + '\0' + leFloat(2232.5f) + leFloat(11403.5f) + leFloat(10) +
                       leFloat(90));
}

// Masked ASCII whose head is right but whose text does not unmask to digits.
QByteArray maskedTextBlock()
{
    QByteArray b = patched(indexedHead(), 18, "\xaa\xaa\xf2\xe1\xf0\xee\x54\x54");
    for (int i = 26; i < kBlockSize; ++i)
        b[i] = char(0x11 + i % 7);
    return b;
}

// Where an index entry says a block is (below 0: its own place), and its size.
using Entry = QPair<qint64, quint32>;

// The blocks in a top-level "free" box, the index after it; count overrides the entry count
// when not negative, entries override where the blocks are said to be and their sizes.
QByteArray fileOf(const QVector<QByteArray> &blocks, qint64 count = -1,
                  const QVector<Entry> &entries = {})
{
    QByteArray payload, index = be32(0x101) + be32(quint32(count >= 0 ? count : blocks.size()));
    for (int i = 0; i < blocks.size(); ++i) {
        const Entry e = i < entries.size() ? entries[i] : Entry{-1, quint32(blocks[i].size())};
        index += be32(quint32(e.first >= 0 ? e.first : 8 + payload.size())) + be32(e.second);
        payload += blocks[i];
    }
    return box("free", payload) + box("gps ", index);
}

} // namespace

class TestFreeGps : public QObject
{
    Q_OBJECT

private slots:
    // Scanned blocks that no index lists, then blocks listed by a "gps " index.
    void blocks_data()
    {
        QTest::addColumn<bool>("indexed"); // readIndexedFreeGps, else readScannedFreeGps
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("lines");       // -1: no track
        QTest::addColumn<QString>("problem"); // a part of report->problem, empty: none
        QTest::addColumn<QString>("line");    // scanned: how the track starts; indexed: a line
        bool indexed = false;                 // set for the rows after the scanned ones
        const auto row = [&indexed](const char *name, const QByteArray &file, int lines,
                                    const char *problem = "") {
            QTest::newRow(name) << indexed << file << lines << QString::fromLatin1(problem)
                                << QString::fromLatin1(
                                       indexed ? ",2232.500000,N,11403.500000,E,10.00,90.00,"
                                               : "A20240610093000,4807.038000,N,");
        };
        const char *noSample = "freeGPS blocks found, but none holds a sample";
        const char *unknown = "freeGPS blocks found, but their layout is not one known";

        const QByteArray noise(37, '\x47'); // 'G's: the scan's first test byte
        QTest::newRow("no-fix block keeps its second")
            << false << recording(noise + doublesBlock(0, 'V') + doublesBlock(1)) << 2 << QString()
            << QStringLiteral("V20240610093000,0.000000,N,0.000000,E,0.00");
        // Once the first two blocks sit on boundaries, the scan looks only at boundaries; one
        // block there may be chance.
        row("boundaries only, once the first two are on one",
            recording(
                at32KiB({doublesBlock(0), doublesBlock(1) + doublesBlock(5), doublesBlock(2)})),
            3);
        row("a first block on a boundary by chance",
            recording(at32KiB({doublesBlock(0) + doublesBlock(1), doublesBlock(2)})), 3);
        row("block as a top-level free box", ftyp(0, {}) + doublesBlock(0) + box("mdat", noise), 1);
        row("head straddling the scan's reads",
            recording(QByteArray(256 * 1024 - 5, '\x47') + doublesBlock(0)), 1);
        row("first block beyond 20 MB",
            recording(QByteArray(21 * 1000 * 1000, '\0') + doublesBlock(0)), -1);
        // The media data box claims a MiB.
        row("media data cut short",
            patched(recording(doublesBlock(0) + doublesBlock(1)), 16, be32(0x00100000)), 2);
        // A size with its first byte set is no block head.
        row("head with a size beyond 16 MB", recording(patched(doublesBlock(0), 0, "\1")), -1);
        row("block cut by the end of the media data", recording(doublesBlock(0).left(0x60)), -1,
            noSample);
        row("declared size beyond the file",
            recording(patched(doublesBlock(0), 0, be32(0x00ffff00))), 1);
        row("unknown layout", recording(blockHead(0x100, 0x100)), -1, unknown);
        QByteArray heads;
        for (int i = 0; i < 5000; ++i)
            heads += blockHead(0, 12); // a size below the head counts as the head's 12 bytes
        row("thousands of empty heads", recording(heads), -1, unknown);

        row("ring: each block adds its new record",
            recording(ringBlock({0, -1, -1}) + ringBlock({0, 1, -1}) + ringBlock({0, 1, 2})), 3);
        row("ring: a repeated block adds nothing",
            recording(ringBlock({0, 1, -1}) + ringBlock({0, 1, -1})), 2);
        row("ring: wrapped, older records after the new one end the block",
            recording(ringBlock({0, 1, 2}) + ringBlock({3, 1, 2})), 4);
        row("ring masked in another way",
            recording(ringBlock({0, 1}, 200) + ringBlock({0, 1}, 200)), -1,
            "freeGPS blocks found, but their records are masked in a way not yet known");
        row("big-endian records end at a bad date", recording(bigEndianBlock({6, 6, 13, 6})), 2);

        indexed = true; // blocks listed by a "gps " index
        const char *text = "text is masked", *position = "position is masked";
        row("masked text that does not unmask", fileOf({maskedTextBlock(), maskedTextBlock()}), -1,
            text);
        row("status 24 bytes in, position masked", fileOf({patched(indexedHead(), 24, "ANW")}), -1,
            position);
        // Hour, month and day words, then the status; the position is in masked doubles.
        row("position in masked doubles",
            fileOf({patched(patched(indexedHead(), 48, le32(8)), 64, le32(6) + le32(3) + "ASE")}),
            -1, position);
        // The 0xAC size word of the variant whose whole text is masked.
        QByteArray whole = patched(indexedHead(), 12, le32(0xac));
        for (int i = 60; i < 132; ++i)
            whole[i] = char(0x3c + i % 11);
        row("whole text masked", fileOf({whole}), -1, text);
        row("offset text that is no sentence",
            fileOf({patched(indexedHead(), 60, "4W`b]S<" + QByteArray(73, 'x'))}), -1, text);
        row("a masked block among readable ones",
            fileOf({binaryBlock(0), maskedTextBlock(), binaryBlock(2)}), 3);
        row("count beyond the index box", fileOf({binaryBlock(0), binaryBlock(1)}, 100000), 2);
        row("count of zero", fileOf({binaryBlock(0)}, 0), -1);
        row("count with the top bit set", fileOf({binaryBlock(0)}, 0x80000000LL), 1);
        row("entry past the end of the file",
            fileOf({binaryBlock(0), binaryBlock(1)}, -1, {{0x7fffff00, kBlockSize}}), 2);
        row("entry larger than the file", fileOf({binaryBlock(0)}, -1, {{-1, 0xffffffffu}}), -1);
        row("block below the smallest size", fileOf({binaryBlock(0)}, -1, {{-1, 91}}), -1);
        row("block cut to its record", fileOf({binaryBlock(0)}, -1, {{-1, 92}}), 1);
        row("no freeGPS tag", fileOf({patched(binaryBlock(0), 4, "F")}), -1);
        row("record without a status", fileOf({patched(binaryBlock(0), 72, "X")}), -1);
        row("index box cut short", fileOf({binaryBlock(0)}).chopped(9), -1);
    }

    void blocks()
    {
        QFETCH(bool, indexed);
        QFETCH(QByteArray, file);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        QFETCH(QString, line);
        TrackReport report;
        QByteArray text;
        QCOMPARE(runReader(indexed ? readIndexedFreeGps : readScannedFreeGps, file, &report, &text),
                 lines);
        const QString got = QString::fromStdString(report.problem);
        QVERIFY2(problem.isEmpty() ? got.isEmpty() : got.contains(problem), qPrintable(got));
        if (lines > 0)
            QVERIFY2(indexed ? text.contains(line.toLatin1()) : text.startsWith(line.toLatin1()),
                     text.left(80).constData());
    }
};

QTEST_GUILESS_MAIN(TestFreeGps)
#include "tst_freegps.moc"
