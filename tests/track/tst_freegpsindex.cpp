// "freeGPS " blocks listed by a "gps " index: damaged indexes and blocks, and the variants we
// recognise but cannot unmask, which must say so instead of giving no track silently.
#include "bytebuilders.h"
#include "freegpsblocks.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

constexpr int kBlockSize = 256;

using namespace bytebuilders;

QByteArray blockHead()
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
    QByteArray b = blockHead();
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
    QByteArray b = blockHead();
    const unsigned char head[] = {0xaa, 0xaa, 0xf2, 0xe1, 0xf0, 0xee, 0x54, 0x54};
    std::memcpy(b.data() + 18, head, sizeof head);
    for (int i = 26; i < kBlockSize; ++i)
        b[i] = char(0x11 + i % 7);
    return b;
}

// Status 24 bytes in: the position that follows is masked.
QByteArray statusAt24Block()
{
    QByteArray b = blockHead();
    b[24] = 'A';
    b[25] = 'N';
    b[26] = 'W';
    return b;
}

// Month and day words, then the status; the position is in masked doubles.
QByteArray maskedDoublesBlock()
{
    QByteArray b = blockHead();
    setLe32(b, 48, 8);
    setLe32(b, 64, 6);
    setLe32(b, 68, 3);
    b[72] = 'A';
    b[73] = 'S';
    b[74] = 'E';
    return b;
}

// The 0xAC size word of the variant whose whole text is masked.
QByteArray wholeTextMaskedBlock()
{
    QByteArray b = blockHead();
    setLe32(b, 12, 0xac);
    for (int i = 60; i < 132; ++i)
        b[i] = char(0x3c + i % 11);
    return b;
}

// Text offset by 16 that does not become an RMC sentence.
QByteArray offsetGarbageBlock()
{
    QByteArray b = blockHead();
    std::memcpy(b.data() + 60, "4W`b]S<", 7);
    for (int i = 67; i < 140; ++i)
        b[i] = 'x';
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

class TestFreeGpsIndex : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void damagedOrMaskedBlocks_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("lines");       // below 0: no track
        QTest::addColumn<QString>("problem"); // a part of report->problem, empty: none

        const QString text = QStringLiteral("text is masked");
        const QString position = QStringLiteral("position is masked");
        QTest::newRow("three plain records")
            << fileOf({binaryBlock(0), binaryBlock(1), binaryBlock(2)}) << 3 << QString();
        QTest::newRow("masked text that does not unmask")
            << fileOf({maskedTextBlock(), maskedTextBlock()}) << -1 << text;
        QTest::newRow("status 24 bytes in, position masked")
            << fileOf({statusAt24Block()}) << -1 << position;
        QTest::newRow("position in masked doubles")
            << fileOf({maskedDoublesBlock()}) << -1 << position;
        QTest::newRow("whole text masked") << fileOf({wholeTextMaskedBlock()}) << -1 << text;
        QTest::newRow("offset text that is no sentence")
            << fileOf({offsetGarbageBlock()}) << -1 << text;
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
        QByteArray untagged = binaryBlock(0);
        untagged[4] = 'F';
        QTest::newRow("no freeGPS tag") << fileOf({untagged}) << -1 << QString();
        QByteArray noStatus = binaryBlock(0);
        noStatus[72] = 'X';
        QTest::newRow("record without a status") << fileOf({noStatus}) << -1 << QString();
        QTest::newRow("index box cut short")
            << fileOf({binaryBlock(0)}).chopped(9) << -1 << QString();
        QTest::newRow("no index") << box("free", binaryBlock(0)) << -1 << QString();
    }

    void damagedOrMaskedBlocks()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        VideoInput video;
        video.data = reinterpret_cast<const unsigned char *>(file.constData());
        video.size = std::size_t(file.size());
        const QString textPath = m_dir.filePath(QStringLiteral("track.txt"));
        TrackReport report;
        const int result =
            readIndexedFreeGps(video, QFile::encodeName(textPath).constData(), &report);
        QCOMPARE(result, lines);
        if (problem.isEmpty())
            QVERIFY2(report.problem.empty(), report.problem.c_str());
        else
            QVERIFY2(QString::fromStdString(report.problem).contains(problem),
                     report.problem.c_str());
        if (lines > 0) {
            QFile text(textPath);
            QVERIFY(text.open(QIODevice::ReadOnly));
            QVERIFY(text.readAll().contains(",2232.500000,N,11403.500000,E,10.00,90.00,"));
        }
    }

    // The probe names the variant of the first block that has a fix.
    void variantIsNamed()
    {
        const QByteArray file = fileOf({binaryBlock(0)});
        VideoInput video;
        video.data = reinterpret_cast<const unsigned char *>(file.constData());
        video.size = std::size_t(file.size());
        TrackReport report;
        QCOMPARE(readIndexedFreeGps(video, nullptr, &report), 1);
        QCOMPARE(QString::fromStdString(report.variant),
                 QStringLiteral("listed by a gps index, binary record"));
        QVERIFY(!report.localTime);
    }
};

QTEST_GUILESS_MAIN(TestFreeGpsIndex)
#include "tst_freegpsindex.moc"
