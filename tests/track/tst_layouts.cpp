// The further layouts' readers on files built byte by byte: freeGPS blocks, movie tracks, boxes.
#include "bytebuilders.h"
#include "carsignals.h"
#include "freegpsblocks.h"
#include "extracttrack.h"
#include "textforms.h"

#include <QtTest>

#include <cmath>

namespace {

using namespace bytebuilders;

QByteArray movie(const QByteArray &children)
{
    return box("moov", full("mvhd", QByteArray(96, '\0')) + children);
}

QByteArray fmasRecord(int month, char status)
{
    QByteArray r = "FMAS" + QByteArray(76, '\0') + "SAMM" + QByteArray(12, '\0');
    r += QByteArray("\xe8\x07") + char(month) + "\x05\x08" + QByteArray(19, '\0'); // 2024
    return r + status + "EN\x72\x03" + QByteArray(3, '\0') + "\x16\x20" + QByteArray(30, '\0');
}

const QByteArray kUserDataHead = "VIDEO" + QByteArray(22, 'U');
const QByteArray kUserDataRecord =
    "\xfe\xfe"
    "20240905085000.20240905085001\x03N22324768E114035100+0058009+001+002+998";

// moov/udta/TTMD/TTAD with a 76-byte head and the given records.
QByteArray binaryUserData(const QByteArray &records)
{
    return ftyp() + movie(box("udta", box("TTMD", box("TTAD", QByteArray(76, '\0') + records))));
}
QByteArray binaryFix()
{
    // Doubles 0, 0x0c, 0x1c and 0x24 bytes into a 92-byte body.
    return QByteArray(1, '\x05') + leDouble(1725526680.0) + QByteArray(4, '\0') + leDouble(5.0) +
           QByteArray(8, '\0') + leDouble(35.675) + leDouble(139.76) + QByteArray(48, '\0');
}

QByteArray uuidRecords(int count, int extra)
{
    QByteArray p =
        QByteArray("\x9b\x63\x0f\x8d\x63\x74\x40\xec\x82\x04\xbc\x5f\xf5\x09\x17\x28", 16) +
        QByteArray(17, '\0');
    for (int i = 0; i < count; ++i)
        p += be32(3808724400u + quint32(i)) + be16(20) + QByteArray(6, '\0') + be32(0x10000000) +
             be32(0x50000000);
    return movie(box("uuid", p + QByteArray(extra, '\x01')));
}

QByteArray aitg(int month, quint32 ms = 0)
{
    return "AITG" + leDouble(2232.4768) + leDouble(11403.51) + QByteArray("\xff\xff\0\0\x05\0", 6) +
           char(124) + char(month) + QByteArray("\x05\x08\x38\x00\x10\x01\x01\x40", 8) + le32(ms);
}
QByteArray chunk(const char *tag, const QByteArray &data, int claimed = -1)
{
    return QByteArray(tag, 4) + le32(quint32(claimed < 0 ? data.size() : claimed)) + data;
}
QByteArray riffFile(const QByteArray &trailer)
{
    return ftyp() + movie({}) + trailer;
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
    const QByteArray scal5 = klv(
        "SCAL", 'l', 4, 5, be32(10000000) + be32(10000000) + be32(1000) + be32(1000) + be32(100));
    return nest("DEVC", nest("STRM", before + scal5 + gps5));
}
const QByteArray kGpsu = klv("GPSU", 'U', 16, 1, "240802101500.000");

// A record starts with its type in the upper half of a word.
QByteArray camm6(int mode, double lat, double lon)
{
    QByteArray r = le32(6u << 16) + leDouble(1406627700.0) + le32(quint32(mode)) + leDouble(lat) +
                   leDouble(lon);
    for (float v : {10.0f, 2.0f, 3.0f, 3.0f, 4.0f, 0.0f, 0.5f})
        r += leFloat(v);
    return r;
}

const QByteArray kRmc = "$GPRMC,081000.000,A,3351.8807,S,15112.4502,E,4.9,87.0,050924,,,A*44";

// ftyp, a movie box with one text track of the given samples, one a second, then the samples.
QByteArray textTrackFile(const QList<QByteArray> &samples, const char *format = "tx3g",
                         const TrackDamage &damage = {})
{
    return oneTrackFile(samples, format, "text", damage);
}

QByteArray withLength(const QByteArray &text)
{
    return be16(quint16(text.size())) + text;
}

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

// 52-byte records from 0x30, each masked with its key bytes; seconds[i] < 0 leaves slot i empty.
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

// The blocks in a top-level "free" box, the index after; count >= 0 and entries override it.
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

// The protobuf wire format: keys, varints and a field of each wire type.
QByteArray pbVarint(quint64 v)
{
    QByteArray b;
    do {
        b += char((v & 0x7f) | (v > 0x7f ? 0x80 : 0));
        v >>= 7;
    } while (v);
    return b;
}
QByteArray pbKey(int field, int wire)
{
    return pbVarint(quint64(field) << 3 | quint64(wire));
}
QByteArray pbUint(int field, quint64 v)
{
    return pbKey(field, 0) + pbVarint(v);
}
QByteArray pbFloat(int field, float f)
{
    return pbKey(field, 5) + leFloat(f);
}
QByteArray pbDouble(int field, double d)
{
    return pbKey(field, 1) + leDouble(d);
}
QByteArray pbBytes(int field, const QByteArray &bytes)
{
    return pbKey(field, 2) + pbVarint(quint64(bytes.size())) + bytes;
}

// A frame's telemetry message with every field: gear drive, 12.5 m/s, blinker left, brake,
// autosteer, the position, and 0.5, -0.25 and 9.80665 m/s² of acceleration.
QByteArray telemetry(double latitude, double longitude, quint64 frame = 1, double heading = 90)
{
    return pbUint(1, 1) + pbUint(2, 1) + pbUint(3, frame) + pbFloat(4, 12.5f) + pbFloat(5, 0.25f) +
           pbFloat(6, -3.5f) + pbUint(7, 1) + pbUint(9, 1) + pbUint(10, 2) +
           pbDouble(11, latitude) + pbDouble(12, longitude) + pbDouble(13, heading) +
           pbDouble(14, 0.5) + pbDouble(15, -0.25) + pbDouble(16, 9.80665);
}

const QByteArray kTelemetryLead = QByteArray(15, '\x42') + '\x69';

// An access unit: a delimiter, an SEI unit of the messages before and the telemetry, then an
// IDR slice.
QByteArray telemetryFrame(const QByteArray &message, const QByteArray &before = {},
                          int lengthSize = 4)
{
    return accessUnit({nalUnit(9, "\xf0"), seiUnit(before + seiMessage(5, kTelemetryLead + message)),
                       nalUnit(0x65, QByteArray(64, '\x88'))},
                      lengthSize);
}
// An access unit without telemetry.
QByteArray plainFrame()
{
    return accessUnit({nalUnit(9, "\xf0"), nalUnit(0x65, QByteArray(64, '\x88'))});
}

// count frames near Berlin, each 0.001° further north.
QList<QByteArray> drive(int count)
{
    QList<QByteArray> frames;
    for (int i = 0; i < count; ++i)
        frames << telemetryFrame(telemetry(52.52 + 0.001 * i, 13.405, quint64(i)));
    return frames;
}

} // namespace

class TestLayouts : public QObject
{
    Q_OBJECT

private slots:
    // Each row of the further layouts' table is a layout of its own: named once, with a reader,
    // and the extraction reports it by that name; a layout past the table has no name.
    void furtherLayoutsTable()
    {
        std::size_t count = 0;
        const FurtherLayout *rows = furtherLayouts(&count);
        QVERIFY(count >= 10);
        QSet<QString> names;
        for (std::size_t i = 0; i < count; ++i) {
            const QString name = QString::fromLatin1(rows[i].name);
            QVERIFY2(!names.contains(name), qPrintable(name));
            names.insert(name);
            QVERIFY2(rows[i].read && rows[i].recognisedBy && *rows[i].recognisedBy,
                     qPrintable(name));
            QVERIFY2(rows[i].fills & FillsGps, qPrintable(name));
            QCOMPARE(QString::fromLatin1(trackLayoutName(furtherTrackLayout(int(i)))), name);
        }
        QCOMPARE(QString::fromLatin1(trackLayoutName(furtherTrackLayout(0))),
                 QStringLiteral("ligogps"));
        QCOMPARE(QString::fromLatin1(trackLayoutName(furtherTrackLayout(int(count) - 1))),
                 QStringLiteral("freegps-blocks"));
        QCOMPARE(QString::fromLatin1(trackLayoutName(furtherTrackLayout(int(count)))),
                 QStringLiteral("none"));
        for (const char *older : {"none", "chip-trailer", "gps0", "gps-index", "hisilicon",
                                  "freegps", "transport-stream", "side-file"})
            QVERIFY2(!names.contains(QLatin1String(older)), older);
    }

    // The index the further readers share: the top level and the movie's children once, a
    // track's samples read on the first ask and handed out again, tracks chosen by format.
    void videoIndex_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("topLevel");
        QTest::addColumn<bool>("movie");
        QTest::addColumn<int>("gpmdSamples"); // -1: no movie box
        const QByteArray two = oneTrackFile({QByteArray(8, 'a'), QByteArray(8, 'b')}, "gpmd",
                                            "meta");
        QTest::newRow("a movie with a gpmd track") << two << 3 << true << 2;
        QTest::newRow("a subtitle track only")
            << oneTrackFile({QByteArray(4, 'x')}, "tx3g", "text") << 3 << true << 0;
        // Cut inside the movie box: its head runs past the end, so the walk stops before it.
        QTest::newRow("cut in the movie box") << two.left(40) << 1 << false << -1;
        QTest::newRow("empty") << QByteArray() << 0 << false << -1;
    }
    void videoIndex()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, topLevel);
        QFETCH(bool, movie);
        QFETCH(int, gpmdSamples);
        VideoInput input;
        input.data = reinterpret_cast<const unsigned char *>(file.constData());
        input.size = std::size_t(file.size());
        VideoIndex video(input);
        QVERIFY(video.isOpen());
        QCOMPARE(int(video.topLevel().size()), topLevel);
        QCOMPARE(video.movie() != nullptr, movie);
        QCOMPARE(video.movieChildren().empty(), !movie);
        std::vector<const MediaTrack *> first, again, every;
        QCOMPARE(video.mediaTracks({fourcc("gpmd")}, &first), movie);
        if (!movie)
            return;
        QCOMPARE(int(first.size()), gpmdSamples > 0 ? 1 : 0);
        QVERIFY(video.mediaTracks({}, &every));
        QCOMPARE(int(every.size()), 1);
        if (gpmdSamples <= 0)
            return;
        QCOMPARE(int(first.front()->samples.size()), gpmdSamples);
        QVERIFY(video.mediaTracks({fourcc("camm"), fourcc("gpmd")}, &again));
        QCOMPARE(again, first);
        // Metadata tracks claim nothing of the media data: their samples may be the blocks.
        std::vector<std::pair<int64_t, int64_t>> claimed;
        QVERIFY(video.claimedMediaRanges(&claimed));
        QVERIFY(claimed.empty());
    }

    // A sample is timed when it is shown: the composition offsets move frames stored out of
    // order (a second a sample, offsets in milliseconds); a time never goes below the start.
    void presentationTimes_data()
    {
        QTest::addColumn<QByteArray>("ctts"); // the box's body
        QTest::addColumn<QList<double>>("times");
        QTest::newRow("none") << QByteArray() << QList<double>{0, 1, 2, 3};
        QTest::newRow("version 0, the second frame shown after the third")
            << QByteArray(be32(0) + be32(3) + be32(1) + be32(0) + be32(1) + be32(2000) +
                          be32(2) + be32(0))
            << QList<double>{0, 3, 2, 3};
        QTest::newRow("version 1, signed offsets")
            << QByteArray(be32(0x01000000) + be32(2) + be32(2) + be32(1000) + be32(2) +
                          be32(quint32(-1000)))
            << QList<double>{1, 2, 1, 2};
        QTest::newRow("version 1, below the start is the start")
            << QByteArray(be32(0x01000000) + be32(1) + be32(1) + be32(quint32(-5000)))
            << QList<double>{0, 1, 2, 3};
        QTest::newRow("a table shorter than the samples leaves the rest")
            << QByteArray(be32(0) + be32(5) + be32(1) + be32(500))
            << QList<double>{0.5, 1, 2, 3};
        QTest::newRow("a count beyond the box is clamped")
            << QByteArray(be32(0) + be32(1000000) + be32(4) + be32(250))
            << QList<double>{0.25, 1.25, 2.25, 3.25};
    }
    void presentationTimes()
    {
        QFETCH(QByteArray, ctts);
        QFETCH(QList<double>, times);
        TrackDamage tables;
        tables.ctts = ctts;
        const QByteArray file = oneTrackFile({QByteArray(8, 'a'), QByteArray(8, 'b'),
                                              QByteArray(8, 'c'), QByteArray(8, 'd')},
                                             "gpmd", "meta", tables);
        VideoInput input;
        input.data = reinterpret_cast<const unsigned char *>(file.constData());
        input.size = std::size_t(file.size());
        VideoIndex video(input);
        std::vector<const MediaTrack *> tracks;
        QVERIFY(video.mediaTracks({fourcc("gpmd")}, &tracks));
        QCOMPARE(int(tracks.size()), 1);
        QCOMPARE(int(tracks.front()->samples.size()), times.size());
        for (int i = 0; i < times.size(); ++i)
            QVERIFY2(std::fabs(tracks.front()->samples[size_t(i)].time - times[i]) < 1e-9,
                     qPrintable(QString::number(tracks.front()->samples[size_t(i)].time)));
    }

    void readers_data()
    {
        QTest::addColumn<int>("reader");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("lines"); // -1: refused
        QTest::addColumn<QString>("problem");
        const int Udta = 0, Uuid = 1, Fmas = 2, Riff = 3, Text = 4;
        const auto row = [](const char *name, int reader, const QByteArray &file, int lines,
                            const char *problem = "") {
            QTest::newRow(name) << reader << file << lines << QString::fromLatin1(problem);
        };

        row("user data, record cut in its time", Udta,
            ftyp() + box("udta", kUserDataHead + kUserDataRecord.left(20)), -1,
            "a user-data box of GPS records found, but no record could be read");
        row("user data, record cut in its position", Udta,
            ftyp() + box("udta", kUserDataHead + kUserDataRecord.left(40)), 1);
        row("user data of another kind", Udta, ftyp() + box("udta", QByteArray(64, 'x')), -1);

        const char *unread = "binary GPS records in the user data found, but none could be read";
        row("binary user data, lost bytes then a close timecode", Udta,
            binaryUserData(QByteArray("\x07\x09\xff") + le32(200) + binaryFix()), 1);
        row("binary user data, lost bytes then a distant timecode", Udta,
            binaryUserData(QByteArray("\x07\xff") + le32(5000) + binaryFix()), -1, unread);
        row("binary user data, fix cut short", Udta,
            binaryUserData(QByteArray(1, '\xff') + le32(0) + binaryFix().left(50)), -1, unread);

        row("uuid, a cut record after two", Uuid, ftyp() + uuidRecords(2, 19), 2);
        row("uuid, head only", Uuid, ftyp() + uuidRecords(0, 10), -1,
            "a GPS uuid atom found, but it holds no records");
        row("uuid at the top level", Uuid, ftyp() + uuidRecords(3, 0).mid(8 + 108), -1);

        row("FMAS, month 13", Fmas, oneTrackFile({fmasRecord(13, 'A')}, "gpmd", "meta"), -1,
            "FMAS records found, but none holds a valid date");
        row("FMAS, other metadata", Fmas, oneTrackFile({QByteArray(160, 'x')}, "gpmd", "meta"), -1);

        const QByteArray gpsa = chunk("gpsa", QByteArray(8, '\x01'));
        const QByteArray aits = QByteArray("AITS\x01\x02\x18\xff", 8) + le32(0);
        const char *noFixes = "a RIFF trailer found, but it holds no GPS fixes";
        row("RIFF, fixes cut by the end of the file", Riff,
            riffFile(gpsa + chunk("gps0", aitg(9) + aitg(9, 1000).left(30), 4000)), 1);
        row("RIFF, accelerations cut by the end of the file", Riff,
            riffFile(chunk("gps0", aitg(9) + aitg(9, 3000)) + chunk("gsen", aits, 400)), 1);
        row("RIFF, month 13 gives no clock, the fix stays", Riff, riffFile(chunk("gps0", aitg(13))),
            1);
        row("RIFF, record of another tag ends the chunk", Riff,
            riffFile(chunk("gps0", aitg(9) + "XXXX" + aitg(9).mid(4))), 1);
        row("RIFF, zero tag ends the list", Riff,
            riffFile(gpsa + QByteArray(8, '\0') + chunk("gps0", aitg(9))), -1, noFixes);
        row("RIFF, accelerations only", Riff, riffFile(chunk("gsen", aits)), -1, noFixes);

        const QList<QByteArray> five = QVector<QByteArray>(5, withLength(kRmc + "\r\n")).toList();
        row("text, other format", Text, textTrackFile(five, "mp4s"), -1);
        row("text, sample count beyond the table", Text,
            textTrackFile(five, "tx3g", {0xffffffffu, 0, {}}), 5);
        row("text, chunks beyond the file", Text, textTrackFile(five, "tx3g", {0, 0x10000000u, {}}),
            -1);
        row("text, length word beyond the sample", Text, textTrackFile({be16(0xfff0) + kRmc}), 1);
        row("text, subtitles without GPS", Text,
            textTrackFile({withLength("Hello"), withLength("World")}), -1);
        const QList<QByteArray> masked =
            QVector<QByteArray>(3, withLength(QByteArray(40, char(0x9c)))).toList();
        row("text, masked in an unknown way", Text, textTrackFile(masked), -1,
            "a tx3g subtitle track found, but its text is masked in a way not yet known");
        row("text, metadata track of another kind", Text, textTrackFile(masked, "gpmd"), -1);
    }

    void readers()
    {
        QFETCH(int, reader);
        QFETCH(QByteArray, file);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        const TrackReader readers[] = {furtherReader("udta-gps"), furtherReader("uuid-gps"),
                                       furtherReader("fmas-box"), furtherReader("riff-trailer"),
                                       furtherReader("text-track")};
        ReaderReport report;
        const int result = runReader(readers[reader], file, &report);
        QCOMPARE(result < 0 ? -1 : result, lines);
        QCOMPARE(QString::fromStdString(report.problem), problem);
    }

    void metadataTracks_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("sample");
        QTest::addColumn<int>("lines");       // -1: no track
        QTest::addColumn<QString>("problem"); // part of the reason given, or empty
        QTest::addColumn<bool>("fix");        // the first line has a fix
        const auto row = [](const char *name, const char *format, const QByteArray &sample,
                            int lines, const char *problem = "", bool fix = false) {
            QTest::newRow(name) << QString::fromLatin1(format) << sample << lines
                                << QString::fromLatin1(problem) << fix;
        };

        const QByteArray gps5 = klv("GPS5", 'l', 20, 10, gps5Points(10));
        const QByteArray gpsf0 = klv("GPSF", 'L', 4, 1, be32(0));
        row("GPS5 without GPSU still has its fixes", "gpmd", gpsStream({}, gps5), 1, "", true);
        row("GPSF 0 with a time: a no-fix line", "gpmd", gpsStream(kGpsu + gpsf0, gps5), 1);
        row("GPSF 0 without a time", "gpmd", gpsStream(gpsf0, gps5), -1, "none of its GPS points");
        row("repeat beyond the stream", "gpmd",
            gpsStream(kGpsu, QByteArray(gps5).replace(6, 2, be16(11))), -1, "damaged");
        row("stream larger than its device", "gpmd",
            nest("DEVC", QByteArray("STRM") + '\0' + char(4) + be16(200) + kGpsu), -1, "damaged");
        QByteArray deep = klv("GPS5", 'l', 20, 1, gps5Points(1));
        for (int i = 0; i < 40; ++i)
            deep = nest(i % 2 ? "DEVC" : "STRM", deep);
        row("nesting without end", "gpmd", deep, -1, "damaged");
        row("zero divisor", "gpmd",
            nest("DEVC", nest("STRM", klv("SCAL", 'l', 4, 1, be32(0)) + gps5)), -1,
            "none of its GPS points");
        row("GPS5 of too few elements", "gpmd",
            gpsStream(kGpsu, klv("GPS5", 'l', 16, 1, gps5Points(1).left(16))), -1, "no GPS stream");
        row("GPS9 whose TYPE is too short", "gpmd",
            nest("DEVC", nest("STRM", klv("TYPE", 'c', 1, 2, "ll") +
                                          klv("GPS9", '?', 32, 1, QByteArray(32, '\1')))),
            -1, "no GPS stream");
        row("not GPMF items: left to the other readers", "gpmd",
            QByteArray("FMAS\0\0\0\0", 8) + QByteArray(64, 'x'), -1);
        row("camm measure mode 0", "camm", camm6(0, 38.7071, -9.1357), 1);
        row("camm record cut short", "camm", camm6(3, 38.7071, -9.1357).left(40), -1);
        row("camm unknown record type", "camm", le32(9u << 16) + camm6(3, 38.7071, -9.1357), -1);
        row("camm acceleration only", "camm",
            le32(3u << 16) + leFloat(0) + leFloat(0) + leFloat(9.8f), -1, "no GPS records");
    }

    void metadataTracks()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, sample);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        QFETCH(bool, fix);
        ReaderReport report;
        QByteArray text;
        QCOMPARE(runReader(furtherReader(format == QLatin1String("gpmd") ? "gpmf-track" : "camm-track"),
                           oneTrackFile({sample}, qPrintable(format), "meta"), &report, &text),
                 lines);
        const QString got = QString::fromStdString(report.problem);
        QVERIFY2(problem.isEmpty() ? got.isEmpty() : got.contains(problem), report.problem.c_str());
        if (lines < 0)
            return;
        QCOMPARE(text.startsWith('A'), fix);
    }

    void textForms_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("samples");
        QTest::addColumn<bool>("fix");
        QTest::addColumn<double>("longitude"); // of the first sample, where not 0
        const auto row = [](const char *name, const QByteArray &text,
                            TextForm form = TextForm::None, int samples = 0, bool fix = false,
                            double longitude = 0) {
            QTest::newRow(name) << text << int(form) << samples << fix << longitude;
        };
        row("RMC without '$' between fields", "gsensori,4,512,1,2,3;" + kRmc.mid(1) + ";CAR,0",
            TextForm::Nmea, 1, true);
        row("two RMC in one sample", kRmc + "\r\n" + kRmc, TextForm::Nmea, 2, true);
        row("GGA alone", "$GPGGA,081000.000,3351.8807,S,15112.4502,E,1,08,0.9,25.0,M,0.0,M,,",
            TextForm::Nmea, 1, true);
        row("comma line, no fix",
            "V,050924,081000.000,0000.0000,N,00000.0000,E,000.0,0.0M,+00.1,-09.8,+00.2;",
            TextForm::CommaLine, 1, false);
        row("comma line, west", "A,050924,081000.000,3351.8807,S,07015.0000,W,012.5,35.0M;",
            TextForm::CommaLine, 1, true, -70.25);
        row("comma line, month 13", "A,051324,081000.000,3351.8807,S,15112.4502,E,012.5,35.0M;");
        row("dash line, cut after the time", "$G:2024-09-05 08:10:00", TextForm::DashLine, 1);
        row("dash line, west", "$G:2024-09-05 08:10:00-S33.5-W70.25-S50", TextForm::DashLine, 1,
            true, -70.25);
        row("substitution, no accelerations", "ABCDEF*12~");
        row("shifted, no RMC after the shift", QByteArray("\0abcdefgh*ij\n", 13));
        const QByteArray maskedHead("\0\0\xf2\xe1\xf0\xee", 6);
        row("masked binary, one byte short", maskedHead + QByteArray(275, char(0xaa)));
        row("masked binary, clock not digits", maskedHead + QByteArray(290, char(0xaa)));
        row("Lat/Lon pairs, latitude out of range", "Lat:95.0 Lon:114.0");
        row("Lat without Lon", "Lat:22.5 Alt:3 m");
    }

    void textForms()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, form);
        QFETCH(int, samples);
        QFETCH(bool, fix);
        QFETCH(double, longitude);
        DecodedTrack track;
        const TextSample s{reinterpret_cast<const unsigned char *>(text.constData()),
                           std::size_t(text.size()), 0, 1};
        QCOMPARE(int(decodeTextSample(s, &track)), form);
        QCOMPARE(int(track.samples.size()), samples);
        if (samples > 0)
            QCOMPARE(track.samples.front().fix, fix);
        if (longitude != 0)
            QCOMPARE(track.samples.front().longitude, longitude);
    }

    // Vehicle telemetry in the SEI units of an H.264 video track, a frame a second.
    void seiTelemetry_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("lines"); // -1: no track
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("line");        // the line looked at
        QTest::addColumn<double>("latitude"); // on that line; 0: no fix there
        QTest::addColumn<double>("longitude");
        QTest::addColumn<bool>("accel"); // that line has the message's G-sensor counts
        const auto row = [](const char *name, const QByteArray &file, int lines, int line,
                            double latitude, double longitude, bool accel = true) {
            QTest::newRow(name) << file << lines << QString() << line << latitude << longitude
                                << accel;
        };
        const auto refused = [](const char *name, const QByteArray &file,
                                const char *problem = "") {
            QTest::newRow(name) << file << -1 << QString::fromLatin1(problem) << 0 << 0.0 << 0.0
                                << false;
        };
        const char *noPosition =
            "vehicle telemetry in the video's SEI found, but no frame holds a position";
        const auto one = [](const QByteArray &frame) { return videoTrackFile({frame}); };

        // Frames: each second's line holds its frame.
        row("first frame", videoTrackFile(drive(3)), 3, 0, 52.52, 13.405);
        row("second frame", videoTrackFile(drive(3)), 3, 1, 52.521, 13.405);
        row("last frame", videoTrackFile(drive(3)), 3, 2, 52.522, 13.405);
        QList<QByteArray> gap = drive(3);
        gap[1] = plainFrame();
        row("a frame without telemetry between: no fix in its second", videoTrackFile(gap), 3, 1,
            0, 0);
        row("two-byte NAL lengths from avcC",
            videoTrackFile({telemetryFrame(telemetry(52.52, 13.405), {}, 2)}, 2), 1, 0, 52.52,
            13.405);

        // The protobuf wire format.
        const QByteArray unknown = pbUint(20, 300) + pbDouble(21, 1.0) +
                                   pbBytes(22, QByteArray("\x0a\x00\x01", 3)) + pbKey(23, 3) +
                                   pbUint(1, 7) + pbKey(2, 3) + pbFloat(3, 1) + pbKey(2, 4) +
                                   pbKey(23, 4) + pbFloat(24, 2.0f) + pbUint(536870911, 1) +
                                   pbUint(11, 5) + pbFloat(12, 1.0f) + pbBytes(13, "x");
        row("unknown fields of every wire type are passed over",
            one(telemetryFrame(unknown + telemetry(48.8566, 2.3522))), 1, 0, 48.8566, 2.3522);
        row("unknown fields after the known ones",
            one(telemetryFrame(telemetry(48.8566, 2.3522) + unknown)), 1, 0, 48.8566, 2.3522);
        const QByteArray full = telemetry(45.07, 7.69);
        // The three accelerations are the last 27 bytes; the first is cut after 3 of its bytes.
        row("message cut in a field keeps the fields before it",
            one(telemetryFrame(full.left(full.size() - 27 + 4))), 1, 0, 45.07, 7.69, false);
        row("length-delimited field longer than the message",
            one(telemetryFrame(full.left(full.size() - 27) + pbKey(30, 2) + pbVarint(500))), 1, 0,
            45.07, 7.69, false);
        row("end of a group without its start",
            one(telemetryFrame(full.left(full.size() - 27) + pbKey(30, 4))), 1, 0, 45.07, 7.69,
            false);
        refused("message cut in its first key", one(telemetryFrame("\x88")), noPosition);
        const QByteArray escaped = one(telemetryFrame(telemetry(37.5, -122.25)));
        QVERIFY(escaped.contains(QByteArray("\x00\x00\x03\x00\x00\x03", 6)));
        row("emulation-prevention bytes inside the doubles", escaped, 1, 0, 37.5, -122.25);

        // SEI units and messages.
        const QByteArray otherId = QByteArray(16, '\x11') + telemetry(52.52, 13.405);
        const auto framesOf = [](const QByteArray &frame) {
            return videoTrackFile(QVector<QByteArray>(3, frame).toList());
        };
        refused("user data of another identifier: not this layout",
                framesOf(accessUnit({seiUnit(seiMessage(5, otherId)), nalUnit(0x65, "slice")})));
        refused("lead bytes without the 0x69: not this layout",
                framesOf(accessUnit({seiUnit(seiMessage(5, QByteArray(16, '\x42') +
                                                               telemetry(52.52, 13.405))),
                                     nalUnit(0x65, "slice")})));
        refused("telemetry after the slice is not looked for",
                framesOf(accessUnit({nalUnit(0x65, "slice"),
                                     seiUnit(seiMessage(5, kTelemetryLead +
                                                               telemetry(52.52, 13.405)))})));
        const QByteArray before = seiMessage(0, "\x8f\x80") + seiMessage(5, otherId) +
                                  seiMessage(300, QByteArray(10, 'z'));
        row("buffering period, other user data and a type above 255 first",
            one(telemetryFrame(telemetry(52.52, 13.405), before)), 1, 0, 52.52, 13.405);
        row("telemetry in an SEI unit after another",
            one(accessUnit({nalUnit(9, "\xf0"), seiUnit(seiMessage(1, "timing")),
                            seiUnit(seiMessage(5, kTelemetryLead + telemetry(52.52, 13.405))),
                            nalUnit(0x65, "slice")})),
            1, 0, 52.52, 13.405);
        row("telemetry of more than 255 bytes",
            one(telemetryFrame(pbBytes(30, QByteArray(400, 'p')) + telemetry(52.52, 13.405))), 1,
            0, 52.52, 13.405);
        row("telemetry past the frame's first 4 KiB",
            one(accessUnit({seiUnit(seiMessage(5, otherId + QByteArray(5000, 'q'))),
                            seiUnit(seiMessage(5, kTelemetryLead + telemetry(52.52, 13.405))),
                            nalUnit(0x65, "slice")})),
            1, 0, 52.52, 13.405);

        // Hemispheres and ranges.
        row("west of Greenwich", one(telemetryFrame(telemetry(51.5072, -0.1276))), 1, 0, 51.5072,
            -0.1276);
        row("south of the equator", one(telemetryFrame(telemetry(-33.8688, 151.2093))), 1, 0,
            -33.8688, 151.2093);
        row("south and west", one(telemetryFrame(telemetry(-34.6037, -58.3816))), 1, 0, -34.6037,
            -58.3816);
        row("high latitude", one(telemetryFrame(telemetry(78.2232, 15.6267))), 1, 0, 78.2232,
            15.6267);
        refused("latitude beyond 90", one(telemetryFrame(telemetry(90.5, 15.6267))), noPosition);
        refused("no position in the message",
                one(telemetryFrame(telemetry(52.52, 13.405).left(37))), noPosition);

        // The first frames tell whether the track is of this layout.
        QList<QByteArray> late = QVector<QByteArray>(29, plainFrame()).toList();
        late << telemetryFrame(telemetry(52.52, 13.405));
        row("telemetry first in the 30th frame", videoTrackFile(late), 30, 29, 52.52, 13.405);
        late.prepend(plainFrame());
        refused("telemetry first in the 31st frame: not looked for", videoTrackFile(late));
        refused("no SEI at all", videoTrackFile({plainFrame(), plainFrame()}));
    }

    void seiTelemetry()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        QFETCH(int, line);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(bool, accel);
        ReaderReport report;
        QByteArray text;
        QCOMPARE(runReader(furtherReader("sei-telemetry"), file, &report, &text), lines);
        QCOMPARE(QString::fromStdString(report.problem), problem);
        if (lines < 0)
            return;
        QCOMPARE(QString::fromStdString(report.variant),
                 QStringLiteral("vehicle telemetry in the video's SEI, per frame"));
        QVERIFY(!report.localTime); // no file name, no clock
        const Line l = lineAt(text, line);
        QCOMPARE(l.time, QByteArray("20000000000000"));
        QCOMPARE(l.fix, latitude != 0);
        if (!l.fix)
            return;
        QVERIFY2(qAbs(l.latitude - latitude) < 1e-4, qPrintable(QString::number(l.latitude, 'f', 6)));
        QVERIFY2(qAbs(l.longitude - longitude) < 1e-4,
                 qPrintable(QString::number(l.longitude, 'f', 6)));
        QCOMPARE(l.knots, 24.30); // 12.5 m/s: 45 km/h
        QCOMPARE(l.course, 90.0);
        // 0.5, -0.25 and 9.80665 m/s² at 256 counts per g.
        const QVector<int> g = {l.g[0], l.g[1], l.g[2]};
        QCOMPARE(g, accel ? QVector<int>({13, -7, 256}) : QVector<int>({0, 0, 0}));
    }

    // The car's signals of each frame, from the same messages.
    void carSignals_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<int>("gear"); // CarGear
        QTest::addColumn<int>("assist"); // CarAssist
        QTest::addColumn<bool>("left");
        QTest::addColumn<bool>("right");
        QTest::addColumn<bool>("brake");
        QTest::addColumn<float>("pedal");
        QTest::addColumn<float>("steering");
        const auto signalsOf = [](quint64 gear, quint64 assist, bool left, bool right, bool brake,
                                  float pedal, float steering) -> QByteArray {
            return pbUint(1, 1) + pbUint(2, gear) + pbFloat(4, 8.0f) + pbFloat(5, pedal) +
                   pbFloat(6, steering) + pbUint(7, left) + pbUint(8, right) + pbUint(9, brake) +
                   pbUint(10, assist);
        };
        const auto row = [&](const char *name, quint64 gear, quint64 assist, bool left, bool right,
                             bool brake, float pedal, float steering, CarGear g, CarAssist a) {
            QTest::newRow(name) << signalsOf(gear, assist, left, right, brake, pedal, steering)
                                << int(g) << int(a) << left << right << brake
                                << std::clamp(pedal, 0.0f, 1.0f) << steering;
        };
        row("park, no assistance", 0, 0, false, false, false, 0, 0, CarGear::Park, CarAssist::None);
        row("drive, self-driving, left blinker", 1, 1, true, false, false, 0.4f, -12.5f,
            CarGear::Drive, CarAssist::SelfDriving);
        row("reverse, autosteer, right blinker", 2, 2, false, true, false, 0.1f, 270,
            CarGear::Reverse, CarAssist::Autosteer);
        row("neutral, TACC, brake", 3, 3, false, false, true, 0, 0, CarGear::Neutral,
            CarAssist::Tacc);
        row("both blinkers (hazard lights) and brake", 1, 0, true, true, true, 0, 0,
            CarGear::Drive, CarAssist::None);
        row("gear and state beyond the known values", 4, 4, false, false, false, 1, -540,
            CarGear::Unknown, CarAssist::Unknown);
        row("huge numbers", quint64(1) << 40, 300, false, false, false, 7.5f, 0, CarGear::Unknown,
            CarAssist::Unknown);
        row("pedal below 0 is kept at 0", 1, 0, false, false, false, -0.5f, 0, CarGear::Drive,
            CarAssist::None);
        QTest::newRow("a message cut after the gear keeps the gear")
            << (pbUint(2, 2) + pbKey(4, 5) + QByteArray("\x01", 1)) << int(CarGear::Reverse)
            << int(CarAssist::None) << false << false << false << 0.0f << 0.0f;
        QTest::newRow("pedal and steering not numbers")
            << (pbUint(2, 1) + pbFloat(5, std::numeric_limits<float>::quiet_NaN()) +
                pbFloat(6, std::numeric_limits<float>::infinity()))
            << int(CarGear::Drive) << int(CarAssist::None) << false << false << false << 0.0f
            << 0.0f;
    }

    void carSignals()
    {
        QFETCH(QByteArray, message);
        QFETCH(int, gear);
        QFETCH(int, assist);
        QFETCH(bool, left);
        QFETCH(bool, right);
        QFETCH(bool, brake);
        QFETCH(float, pedal);
        QFETCH(float, steering);
        // The frame second of three, between two of other signals.
        const QByteArray other = pbUint(2, 1) + pbUint(10, 2);
        const QByteArray file = videoTrackFile({telemetryFrame(other), telemetryFrame(message),
                                                telemetryFrame(other)});
        QVector<CarSignalFrame> frames;
        QString problem;
        QVERIFY(readCarSignalsFromMemory(reinterpret_cast<const uchar *>(file.constData()),
                                         std::size_t(file.size()), &frames, &problem));
        QVERIFY(problem.isEmpty());
        QCOMPARE(frames.size(), 3);
        QCOMPARE(frames[1].time, 1.0);
        QCOMPARE(int(frames[1].gear), gear);
        QCOMPARE(int(frames[1].assist), assist);
        QCOMPARE(frames[1].blinkerLeft, left);
        QCOMPARE(frames[1].blinkerRight, right);
        QCOMPARE(frames[1].brake, brake);
        QCOMPARE(frames[1].pedal, pedal);
        QCOMPARE(frames[1].steeringDeg, steering);
        QCOMPARE(int(frames[2].assist), int(CarAssist::Autosteer));
    }

    // Files without the signals, or damaged ones: false with a reason, never a crash.
    void carSignalsRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("frames"); // -1: refused
        QTest::newRow("no SEI") << videoTrackFile({plainFrame(), plainFrame()}) << -1;
        QTest::newRow("empty file") << QByteArray() << -1;
        QTest::newRow("message damaged from its first byte") << videoTrackFile({telemetryFrame("\x88")})
                                                        << -1;
        QTest::newRow("a damaged frame between two good ones")
            << videoTrackFile({telemetryFrame(pbUint(2, 1)), telemetryFrame("\x88"),
                               telemetryFrame(pbUint(2, 2))})
            << 2;
        const QByteArray whole = videoTrackFile(drive(3));
        QTest::newRow("file cut in the middle") << whole.left(whole.size() / 2) << -1;
    }

    void carSignalsRefused()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, frames);
        QVector<CarSignalFrame> read;
        QString problem;
        const bool ok = readCarSignalsFromMemory(reinterpret_cast<const uchar *>(file.constData()),
                                                 std::size_t(file.size()), &read, &problem);
        QCOMPARE(ok, frames >= 0);
        QCOMPARE(problem.isEmpty(), ok);
        QCOMPARE(read.size(), qMax(frames, 0));
    }

    // The frame shown at a time: the last at or before it, held for half a second.
    void frameAtTime_data()
    {
        QTest::addColumn<double>("time");
        QTest::addColumn<int>("frame");
        QTest::newRow("before the first") << -0.01 << -1;
        QTest::newRow("first") << 0.0 << 0;
        QTest::newRow("between first and second") << 0.02 << 0;
        QTest::newRow("second") << 1.0 / 36 << 1;
        QTest::newRow("last") << 3.0 / 36 << 3;
        QTest::newRow("held after the last") << 3.0 / 36 + 0.5 << 3;
        QTest::newRow("beyond the hold after the last") << 3.0 / 36 + 0.51 << -1;
        QTest::newRow("in a gap, within the hold") << 0.5 << 3;
        QTest::newRow("after a gap") << 2.0 << 4;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << -1;
    }

    void frameAtTime()
    {
        QFETCH(double, time);
        QFETCH(int, frame);
        QVector<CarSignalFrame> frames(5);
        for (int i = 0; i < 4; ++i)
            frames[i].time = i / 36.0;
        frames[4].time = 2.0;
        QCOMPARE(carSignalFrameAt(frames, time), frame);
        QCOMPARE(::carSignalFrameAt(QVector<CarSignalFrame>(), time), -1);
    }

    // Every value has its words, and only the known ones.
    void carSignalWords()
    {
        const QStringList gears{"P", "D", "R", "N", ""};
        for (unsigned v = 0; v <= 5; ++v)
            QCOMPARE(carGearText(carGearOf(v)), gears[int(qMin(v, 4u))]);
        const QStringList states{"", "Self-driving", "Autosteer", "TACC", ""};
        for (unsigned v = 0; v <= 5; ++v)
            QCOMPARE(carAssistText(carAssistOf(v)), states[int(qMin(v, 4u))]);
    }

    // The clock comes from a file name of the recorder's form, in local time; any other name
    // leaves the positions without one.
    void seiTelemetryClock_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("localTime");
        QTest::addColumn<QByteArray>("first"); // the first two lines' time text
        QTest::addColumn<QByteArray>("second");
        const QByteArray none = "20000000000000";
        QTest::newRow("front camera") << QStringLiteral("2025-11-20_14-03-12-front.mp4") << true
                                      << QByteArray("20251120140312")
                                      << QByteArray("20251120140313");
        QTest::newRow("right pillar, into the next day")
            << QStringLiteral("2025-11-20_23-59-59-right_pillar.MP4") << true
            << QByteArray("20251120235959") << QByteArray("20251121000000");
        QTest::newRow("left repeater") << QStringLiteral("2024-02-29_08-00-00-left_repeater.mp4")
                                       << true << QByteArray("20240229080000")
                                       << QByteArray("20240229080001");
        QTest::newRow("no time in the name") << QStringLiteral("clip.mp4") << false << none << none;
        QTest::newRow("camera not one of the recorder's")
            << QStringLiteral("2025-11-20_14-03-12-dash.mp4") << false << none << none;
        QTest::newRow("month 13") << QStringLiteral("2025-13-20_14-03-12-front.mp4") << false
                                  << none << none;
        QTest::newRow("time without the camera")
            << QStringLiteral("2025-11-20_14-03-12.mp4") << false << none << none;
    }

    void seiTelemetryClock()
    {
        QFETCH(QString, name);
        QFETCH(bool, localTime);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString video = dir.filePath(name), track = dir.filePath(QStringLiteral("track.txt"));
        QFile f(video);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(videoTrackFile(drive(3)));
        f.close();
        const TrackExtraction e =
            extractTrackReport(QFile::encodeName(video).constData(),
                               QFile::encodeName(track).constData(), containerKindForPath(name),
                               TrackFrom::Video);
        QVERIFY(e.ok());
        QCOMPARE(QString::fromLatin1(trackLayoutName(e.report.layout)),
                 QStringLiteral("sei-telemetry"));
        QCOMPARE(e.report.localTime, localTime);
        QVERIFY(e.report.hasAccel);
        QFile t(track);
        QVERIFY(t.open(QIODevice::ReadOnly));
        const QByteArray text = t.readAll();
        QCOMPARE(text.count('\n'), 3);
        const Line l0 = lineAt(text, 0), l1 = lineAt(text, 1);
        QCOMPARE(l0.time, first);
        QCOMPARE(l1.time, second);
        QVERIFY(l0.fix && l1.fix);
        QVERIFY(qAbs(l1.latitude - 52.521) < 1e-4);
    }

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
        // Ten records a second: one line a block, the record at the whole second.
        QVector<TenthsRecord> tenths;
        for (int t = 0; t < 10; ++t)
            tenths.push_back({0, t, 'A', "NE", quint32(35405347 + t), 139456071, 47});
        QByteArray tenthsBlocks = tenthsBlock(tenths, 0x100, 0x100);
        for (TenthsRecord &r : tenths)
            r.second = 1;
        tenthsBlocks += tenthsBlock(tenths, 0x100, 0x100);
        QTest::newRow("records in tenths of a second")
            << false << recording(tenthsBlocks) << 2 << QString()
            << QStringLiteral("A20240603102000,3540.534700,N,13945.607100,E,");

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
        ReaderReport report;
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

QTEST_GUILESS_MAIN(TestLayouts)
#include "tst_layouts.moc"
