// The smaller layouts on files built byte by byte: records in a top-level user-data box, in a
// uuid atom, FMAS records in a timed-metadata track and a RIFF trailer after the movie. Whole
// records are read, cut or damaged ones end the reading, and a layout recognised without a
// readable record says so.
#include "bytebuilders.h"
#include "trackreaders.h"

#include <QtTest>

namespace {

using namespace bytebuilders;

// A movie box holding only the given children.
QByteArray movie(const QByteArray &children)
{
    return box("moov", full("mvhd", QByteArray(96, '\0')) + children);
}

// ftyp, a movie box with one "gpmd" track of the given samples, one a second, then the samples.
QByteArray metadataTrackFile(const QList<QByteArray> &samples)
{
    return oneTrackFile(samples, "gpmd", "meta");
}

QByteArray fmasRecord(int month, char status)
{
    QByteArray r(160, '\0');
    r.replace(0, 4, "FMAS");
    r.replace(80, 4, "SAMM");
    r[96] = char(0xe8); // 2024
    r[97] = char(0x07);
    r[98] = char(month);
    r[99] = 5;
    r[100] = 8;
    r[120] = status;
    r[121] = 'E';
    r[122] = 'N';
    r[123] = 114;
    r[124] = 3;
    r[128] = 22;
    r[129] = 32;
    return r;
}

const QByteArray kUserDataHead = "VIDEO" + QByteArray(22, 'U');
const QByteArray kUserDataRecord =
    "\xfe\xfe" "20240905085000.20240905085001\x03N22324768E114035100+0058009+001+002+998";

// moov/udta/TTMD/TTAD with a 76-byte head and the given records.
QByteArray binaryUserData(const QByteArray &records)
{
    return ftyp() + movie(box("udta", box("TTMD", box("TTAD", QByteArray(76, '\0') + records))));
}
QByteArray timecode(quint32 ms)
{
    return QByteArray(1, '\xff') + le32(ms);
}
QByteArray binaryFix()
{
    QByteArray body(92, '\0');
    setLeDouble(body, 0, 1725526680.0);
    setLeDouble(body, 0x0c, 5.0);
    setLeDouble(body, 0x1c, 35.675);
    setLeDouble(body, 0x24, 139.76);
    return QByteArray(1, '\x05') + body;
}

QByteArray uuidRecords(int count, int extra)
{
    QByteArray p("\x9b\x63\x0f\x8d\x63\x74\x40\xec\x82\x04\xbc\x5f\xf5\x09\x17\x28", 16);
    p += QByteArray(17, '\0');
    for (int i = 0; i < count; ++i)
        p += be32(3808724400u + quint32(i)) + be16(20) + QByteArray(6, '\0') + be32(0x10000000) +
             be32(0x50000000);
    return movie(box("uuid", p + QByteArray(extra, '\x01')));
}

QByteArray aitg(int month, quint32 ms = 0)
{
    QByteArray r = "AITG" + leDouble(2232.4768) + leDouble(11403.51);
    r += QByteArray("\xff\xff\0\0\x05\0", 6);
    r += QByteArray(1, char(124)) + char(month) + QByteArray("\x05\x08\x38\x00", 4);
    r += QByteArray("\x10\x01\x01\x40", 4) + le32(ms);
    return r;
}
QByteArray chunk(const char *tag, const QByteArray &data, int claimed = -1)
{
    return QByteArray(tag, 4) + le32(quint32(claimed < 0 ? data.size() : claimed)) + data;
}
QByteArray riffFile(const QByteArray &trailer)
{
    return ftyp() + movie({}) + trailer;
}

} // namespace

class TestSmallLayouts : public QObject
{
    Q_OBJECT

private slots:
    void readers_data()
    {
        QTest::addColumn<int>("reader");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("lines"); // -1: refused
        QTest::addColumn<QString>("problem");
        enum { Udta, Uuid, Fmas, Riff };
        const QString none;

        QTest::newRow("user data, one record")
            << int(Udta) << ftyp() + box("udta", kUserDataHead + kUserDataRecord) << 1 << none;
        QTest::newRow("user data, two records")
            << int(Udta) << ftyp() + box("udta", kUserDataHead + kUserDataRecord + kUserDataRecord)
            << 2 << none;
        QTest::newRow("user data, record cut in its time")
            << int(Udta) << ftyp() + box("udta", kUserDataHead + kUserDataRecord.left(20)) << -1
            << "a user-data box of GPS records found, but no record could be read";
        QTest::newRow("user data, record cut in its position")
            << int(Udta) << ftyp() + box("udta", kUserDataHead + kUserDataRecord.left(40)) << 1
            << none;
        QTest::newRow("user data, head only")
            << int(Udta) << ftyp() + box("udta", kUserDataHead) << -1
            << "a user-data box of GPS records found, but no record could be read";
        QTest::newRow("user data of another kind")
            << int(Udta) << ftyp() + box("udta", QByteArray(64, 'x')) << -1 << none;

        QTest::newRow("binary user data, two seconds")
            << int(Udta) << binaryUserData(timecode(0) + binaryFix() + timecode(1000) + binaryFix())
            << 2 << none;
        QTest::newRow("binary user data, lost bytes then a close timecode")
            << int(Udta) << binaryUserData(QByteArray("\x07\x09") + timecode(200) + binaryFix())
            << 1 << none;
        QTest::newRow("binary user data, lost bytes then a distant timecode")
            << int(Udta) << binaryUserData(QByteArray("\x07") + timecode(5000) + binaryFix()) << -1
            << "binary GPS records in the user data found, but none could be read";
        QTest::newRow("binary user data, fix cut short")
            << int(Udta) << binaryUserData(timecode(0) + binaryFix().left(50)) << -1
            << "binary GPS records in the user data found, but none could be read";
        QTest::newRow("binary user data, head only")
            << int(Udta) << binaryUserData({}) << -1
            << "binary GPS records in the user data found, but none could be read";

        QTest::newRow("uuid, three records") << int(Uuid) << ftyp() + uuidRecords(3, 0) << 3 << none;
        QTest::newRow("uuid, a cut record after two")
            << int(Uuid) << ftyp() + uuidRecords(2, 19) << 2 << none;
        QTest::newRow("uuid, head only") << int(Uuid) << ftyp() + uuidRecords(0, 10) << -1
                                         << "a GPS uuid atom found, but it holds no records";
        QTest::newRow("uuid at the top level") << int(Uuid)
                                               << ftyp() + uuidRecords(3, 0).mid(8 + 108) << -1
                                               << none;

        QTest::newRow("FMAS, two records")
            << int(Fmas) << metadataTrackFile({fmasRecord(9, 'A'), fmasRecord(9, 'V')}) << 2
            << none;
        QTest::newRow("FMAS, month 13")
            << int(Fmas) << metadataTrackFile({fmasRecord(13, 'A')}) << -1
            << "FMAS records found, but none holds a valid date";
        QTest::newRow("FMAS, record cut short")
            << int(Fmas) << metadataTrackFile({fmasRecord(9, 'A').left(159)}) << -1 << none;
        QTest::newRow("FMAS, other metadata")
            << int(Fmas) << metadataTrackFile({QByteArray(160, 'x')}) << -1 << none;

        const QByteArray gpsa = chunk("gpsa", QByteArray(8, '\x01'));
        QTest::newRow("RIFF, two fixes")
            << int(Riff) << riffFile(gpsa + chunk("gps0", aitg(9) + aitg(9))) << 1 << none;
        QTest::newRow("RIFF, fixes cut by the end of the file")
            << int(Riff) << riffFile(gpsa + chunk("gps0", aitg(9) + aitg(9, 1000).left(30), 4000))
            << 1 << none;
        QTest::newRow("RIFF, accelerations cut by the end of the file")
            << int(Riff)
            << riffFile(chunk("gps0", aitg(9) + aitg(9, 3000)) +
                        chunk("gsen", QByteArray("AITS\x01\x02\x18\xff", 8) + le32(0), 400))
            << 1 << none;
        QTest::newRow("RIFF, accelerations whole")
            << int(Riff)
            << riffFile(chunk("gps0", aitg(9) + aitg(9, 3000)) +
                        chunk("gsen", QByteArray("AITS\x01\x02\x18\xff", 8) + le32(0)))
            << 4 << none;
        QTest::newRow("RIFF, month 13 gives no clock, the fix stays")
            << int(Riff) << riffFile(chunk("gps0", aitg(13))) << 1 << none;
        QTest::newRow("RIFF, record of another tag ends the chunk")
            << int(Riff) << riffFile(chunk("gps0", aitg(9) + "XXXX" + aitg(9).mid(4))) << 1 << none;
        QTest::newRow("RIFF, zero tag ends the list")
            << int(Riff) << riffFile(gpsa + QByteArray(8, '\0') + chunk("gps0", aitg(9))) << -1
            << "a RIFF trailer found, but it holds no GPS fixes";
        QTest::newRow("RIFF, accelerations only")
            << int(Riff) << riffFile(chunk("gsen", QByteArray("AITS\x01\x02\x18\xff", 8) + le32(0)))
            << -1 << "a RIFF trailer found, but it holds no GPS fixes";
        QTest::newRow("no trailer") << int(Riff) << riffFile({}) << -1 << none;
    }

    void readers()
    {
        QFETCH(int, reader);
        QFETCH(QByteArray, file);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        using Reader = int (*)(const VideoInput &, const char *, TrackReport *);
        const Reader readers[] = {readUdtaGps, readUuidGps, readFmasBox, readRiffTrailer};
        VideoInput input;
        input.data = reinterpret_cast<const unsigned char *>(file.constData());
        input.size = std::size_t(file.size());
        TrackReport report;
        const int result = readers[reader](input, nullptr, &report);
        QCOMPARE(result < 0 ? -1 : result, lines);
        QCOMPARE(QString::fromStdString(report.problem), problem);
    }
};

QTEST_GUILESS_MAIN(TestSmallLayouts)
#include "tst_smalllayouts.moc"
