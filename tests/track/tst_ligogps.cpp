// LIGOGPSINFO records on files built byte by byte: each place a file keeps them, each scheme
// (clear, steering bytes, enciphered digits, fuzzed positions, JSON), which line holds what,
// and what damaged, cut or foreign input gives.
#include "bytebuilders.h"
#include "ligogps.h"
#include "ligorecords.h"

#include <QtTest>

#include <cmath>

namespace {

using namespace bytebuilders;

constexpr double kFirstScale = 1.524855137;
constexpr double kThirdScale = 1.15368;

QByteArray movie()
{
    return box("moov", full("mvhd", QByteArray(96, '\0')));
}

// One second's text: the clock, signed positions behind their letters, the speed, the axes.
struct Rec
{
    int second = 0; // into 08:15:00 of 2024-06-03
    double lat = 0, lon = 0;
    double speed = 10;
};
QByteArray textOf(const Rec &r, double scale = 0, bool degreesMinutes = false)
{
    double la = std::fabs(r.lat), lo = std::fabs(r.lon);
    if (scale > 0) {
        const double la10 = std::trunc(la / 10) * 10, lo10 = std::trunc(lo / 10) * 10;
        const double a = la10 + (lo - lo10) / scale, b = lo10 + (la - la10) / scale;
        la = a;
        lo = b;
    }
    const auto number = [&](double v) {
        if (!degreesMinutes)
            return QByteArray::number(v, 'f', 6);
        const double d = std::trunc(v);
        return QByteArray::number(d * 100 + (v - d) * 60, 'f', 6).rightJustified(11, '0');
    };
    const int minute = 15 + r.second / 60, second = r.second % 60;
    return "2024/06/03 08:" + QByteArray::number(minute).rightJustified(2, '0') + ":" +
           QByteArray::number(second).rightJustified(2, '0') + (r.lat < 0 ? " S:-" : " N:") +
           number(la) + (r.lon < 0 ? " W:-" : " E:") + number(lo) + " " +
           QByteArray::number(r.speed, 'f', 2) + " km/h x:0.500 y:-0.250 z:1.000 A:90.0";
}

QByteArray padded(QByteArray r)
{
    return r.leftJustified(0x84, '\0', true);
}
QByteArray clearRecord(const QByteArray &text)
{
    return padded(le32(7) + text);
}
// Steering bytes: four characters under 0xc0 with their low bits moved into it, the rest one
// by one under a byte of the 0x00 class.
QByteArray encryptedRecord(const QByteArray &text)
{
    const QByteArray plain = le32(7) + text;
    QByteArray sealed;
    int i = 0;
    for (; i + 4 <= plain.size(); i += 4) {
        const uchar v0 = uchar(plain[i]) ^ 0x20, v1 = uchar(plain[i + 1]) ^ 0x20,
                    v2 = uchar(plain[i + 2]) ^ 0x20, o3 = uchar(plain[i + 3]);
        sealed += char(0xc0 | (v0 & 0x01) | (v1 & 0x02) | (v2 & 0x0c) | (o3 & 0x30));
        sealed += char(v0 & ~0x01);
        sealed += char(v1 & ~0x02);
        sealed += char(v2 & ~0x0c);
        sealed += char((o3 & ~0x30) ^ 0x20);
    }
    for (; i < plain.size(); ++i)
        sealed += QByteArray(1, char(uchar(plain[i]) & 0x13)) + char(uchar(plain[i]) & ~0x13);
    return padded("####" + le32(quint32(sealed.size())) + sealed);
}
// The digit cipher: a fixed substitution of '0'..'_' ('2' to '?', below '@').
QByteArray encipheredRecord(const QByteArray &text)
{
    QByteArray r = "####" + le32(0x34a0003b);
    for (char c : text) {
        const int i = uchar(c) - 0x30;
        r += i >= 0 && i < 0x30 ? char(0x30 + (i * 7 + 1) % 0x30) : c;
    }
    return padded(r);
}

QByteArray directory(quint8 fuzzWord, const QList<QByteArray> &records)
{
    QByteArray d = QByteArray("LIGOGPSINFO", 12) + QByteArray(3, '\0') + char(fuzzWord) + le32(1);
    for (const QByteArray &r : records)
        d += r;
    return d;
}
constexpr quint8 kFuzzed = 0x05, kNotFuzzed = 0x01;

QByteArray skipFile(const QByteArray &dir)
{
    return ftyp() + movie() + box("skip", dir);
}
QByteArray trailerFile(const QByteArray &dir)
{
    const QByteArray tail = "&&&&" + be32(quint32(dir.size() + 16));
    return ftyp() + movie() + box("mdat", QByteArray(64, '\x11')) + box("skip", dir + tail);
}
// 256-byte freeGPS blocks, the directory 16 bytes in, listed by a "gps " index in the movie.
QByteArray blocksFile(const QList<QByteArray> &dirs, quint32 word = 0x98)
{
    QByteArray blocks;
    for (const QByteArray &d : dirs)
        blocks += QByteArray(be32(256) + "freeGPS " + le32(word) + d).leftJustified(256, '\0', true);
    const auto moovWith = [&](quint32 first) {
        QByteArray index = be32(0) + be32(quint32(dirs.size()));
        for (int i = 0; i < dirs.size(); ++i)
            index += be32(first + quint32(i) * 256) + be32(256);
        return box("moov", full("mvhd", QByteArray(96, '\0')) + box("gps ", index));
    };
    const int moovSize = moovWith(0).size();
    return ftyp() + moovWith(quint32(ftyp().size() + moovSize + 8)) + box("mdat", blocks);
}
// gpmd samples: the 80-byte head with status at 24, then a directory of one record.
QByteArray gpmdSample(char status, const QByteArray &record)
{
    QByteArray head = le32(8) + le32(15) + le32(0) + le32(2024) + le32(6) + le32(3);
    head += QByteArray(1, status) + "SW1" + QByteArray(0x4c - 28, '\x07') + "&&&&";
    return head + directory(kFuzzed, {record});
}

QByteArray jsonObject(const char *status, int second, const char *ns, const char *ew,
                      const char *lat, const char *lon, bool cameraClock = true)
{
    QByteArray o = QByteArray("LIGOGPSINFO {\"Hour\": \"08\", \"Minute\": \"15\", \"Second\": \"") +
                   QByteArray::number(second).rightJustified(2, '0') +
                   "\", \"Year\": \"2024\", \"Month\": \"06\", \"Day\": \"03\", \"status\": \"" +
                   status + "\", \"NS\": \"" + ns + "\", \"EW\": \"" + ew + "\", \"Latitude\": \"" +
                   lat + "\", \"Longitude\": \"" + lon + "\", \"Speed\": \"10.00\", " +
                   "\"GsensorX\": \"000\", \"GsensorY\": \"000\", \"GsensorZ\": \"000\"";
    if (cameraClock)
        o += ", \"MHour\": \"17\", \"MMinute\": \"15\", \"MSecond\": \"00\", \"MYear\": "
             "\"2024\", \"MMonth\": \"06\", \"MDay\": \"03\"";
    return QByteArray(o + "}").leftJustified(512, '\0');
}

const Rec kNoFix{0, 0, 0, 0};
const Rec kSouthWest{1, -34.603720, -58.381590, 36.5};
const Rec kHighNorthEast{2, 69.648900, 18.955300, 20};

// Records whose seconds count from first on, skipping the seconds in skip.
QList<Rec> countingSeconds(int first, int count, const QList<int> &skip = {})
{
    QList<Rec> recs;
    for (int s = first; recs.size() < count; ++s)
        if (!skip.contains(s % 60))
            recs << Rec{s, -34.603720 - s * 1e-4, -58.381590, 30};
    return recs;
}

} // namespace

class TestLigoGps : public QObject
{
    Q_OBJECT

private slots:
    // What tells a file that ends in the records' trailer, found at once from its last bytes.
    void trailerAtTheEnd_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("ends");
        const QByteArray file = trailerFile(directory(kFuzzed, {}));
        const int skipAt = file.lastIndexOf("skip");
        QTest::newRow("a trailer") << file << true;
        QTest::newRow("its atom's type in capitals") << patched(file, skipAt, "SKIP") << true;
        QTest::newRow("no mark") << patched(file, file.size() - 8, "&&&x") << false;
        QTest::newRow("a length past the file's start")
            << patched(file, file.size() - 4, be32(quint32(file.size() + 1))) << false;
        QTest::newRow("a length below the atom's head")
            << patched(file, file.size() - 4, be32(15)) << false;
        QTest::newRow("another atom") << patched(file, skipAt, "free") << false;
        QTest::newRow("other records") << patched(file, skipAt + 4, "LIGOGPSINFX") << false;
        QTest::newRow("only the mark") << QByteArray("&&&&") + be32(16) << false;
        QTest::newRow("nothing") << QByteArray() << false;
    }

    void trailerAtTheEnd()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, ends);
        VideoInput input;
        input.data = reinterpret_cast<const unsigned char *>(file.constData());
        input.size = std::size_t(file.size());
        QCOMPARE(endsWithLigoTrailer(input), ends);
    }

    void reads_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("lines"); // -1: no track
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("variant"); // its start
        QTest::addColumn<int>("line");
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<double>("latitude"); // 0: no fix on that line
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("kmh"); // -1: not looked at
        QTest::addColumn<bool>("localTime");
        const auto row = [](const char *name, const QByteArray &file, int lines,
                            const char *problem = "", const char *variant = "", int line = 0,
                            const QByteArray &time = {}, double lat = 0, double lon = 0,
                            double kmh = -1, bool local = true) {
            QTest::newRow(name) << file << lines << QString::fromLatin1(problem)
                                << QString::fromLatin1(variant) << line << time << lat << lon << kmh
                                << local;
        };
        const QList<QByteArray> clear{clearRecord(textOf(kNoFix)), clearRecord(textOf(kSouthWest)),
                                      clearRecord(textOf(kHighNorthEast))};
        const char *const inSkip = "LIGOGPSINFO records in a top-level skip atom: clear text";
        row("clear, first record without a fix", skipFile(directory(kNotFuzzed, clear)), 3, "",
            inSkip, 0, "20240603081500");
        row("clear, second, south and west, km/h", skipFile(directory(kNotFuzzed, clear)), 3, "",
            inSkip, 1, "20240603081501", -34.60372, -58.38159, 36.5);
        row("clear, last, high north and east", skipFile(directory(kNotFuzzed, clear)), 3, "",
            inSkip, 2, "20240603081502", 69.6489, 18.9553, 20);
        row("clear, last record cut short", skipFile(directory(kNotFuzzed, clear).chopped(1)), 2,
            "", inSkip, 1, "20240603081501", -34.60372, -58.38159);
        row("clear, beyond ninety degrees: passed over",
            skipFile(directory(kNotFuzzed, {clear[0], clearRecord(textOf({1, 95, 10}))})), 1, "",
            inSkip, 0, "20240603081500");
        row("zeros only: not a track", skipFile(directory(kNotFuzzed, {QByteArray(0x84, '\0')})),
            -1);
        row("tag without records", skipFile(QByteArray("LIGOGPSINFO", 12) + le32(1)), -1);

        // Steering bytes, knots when not fuzzed.
        const QList<QByteArray> sealed{encryptedRecord(textOf(kNoFix)),
                                       encryptedRecord(textOf(kSouthWest)),
                                       encryptedRecord(textOf(kHighNorthEast))};
        row("encrypted, not fuzzed, knots", skipFile(directory(kNotFuzzed, sealed)), 3, "",
            "LIGOGPSINFO records in a top-level skip atom: encrypted with steering bytes", 1,
            "20240603081501", -34.60372, -58.38159, 36.5 * 1.852);
        QByteArray broken = sealed[1];
        broken[8] = char(0x20); // a steering byte of no class, and not enciphered either
        row("encrypted, a record that does not decrypt: a gap",
            skipFile(directory(kNotFuzzed, {sealed[0], broken, sealed[2]})), 3, "", "", 1,
            "20240603081501");
        row("degrees and minutes, not fuzzed, km/h",
            skipFile(directory(kNotFuzzed, {encryptedRecord(textOf(kSouthWest, 0, true))})), 1,
            "", "LIGOGPSINFO records in a top-level skip atom: encrypted with steering bytes, "
                "degrees and minutes",
            0, "20240603081501", -34.60372, -58.38159, 36.5);

        // Fuzzed: the first scale, the third in its camera's blocks.
        const QByteArray fuzzedSW = encryptedRecord(textOf(kSouthWest, kFirstScale));
        const QByteArray fuzzedNE = encryptedRecord(textOf(kHighNorthEast, kFirstScale));
        row("trailer, fuzzed, south and west", trailerFile(directory(kFuzzed, {fuzzedSW, fuzzedNE})),
            2, "", "LIGOGPSINFO records in a skip atom at the file's end", 0, "20240603081501",
            -34.60372, -58.38159, 36.5 * 1.85407333);
        row("trailer, fuzzed, high north", trailerFile(directory(kFuzzed, {fuzzedSW, fuzzedNE})),
            2, "", "", 1, "20240603081502", 69.6489, 18.9553);
        row("trailer length past the file's start: its skip atom read as one",
            trailerFile(directory(kFuzzed, {fuzzedSW})) + "&&&&" + be32(0x7fffffff), 1, "",
            "LIGOGPSINFO records in a top-level skip atom", 0, "20240603081501", -34.60372,
            -58.38159);
        const QByteArray thirdSW = encryptedRecord(textOf(kSouthWest, kThirdScale));
        QByteArray thirdDir = directory(kFuzzed, {thirdSW});
        setLe32(thirdDir, 16, 0); // the zero counter of the third scale's camera
        row("freeGPS blocks, third scale", blocksFile({thirdDir}, 0x3f0), 1, "",
            "LIGOGPSINFO records in freeGPS blocks listed by a gps index: encrypted with steering "
            "bytes, positions fuzzed (third scale)",
            0, "20240603081501", -34.60372, -58.38159);
        row("freeGPS blocks, first scale", blocksFile({directory(kFuzzed, {fuzzedSW})}), 1, "", "",
            0, "20240603081501", -34.60372, -58.38159);

        // Enciphered digits, learnt from the seconds counting.
        QList<QByteArray> counted;
        for (const Rec &r : countingSeconds(55, 12))
            counted << encipheredRecord(textOf(r, kFirstScale));
        const char *const enciphered =
            "LIGOGPSINFO records in freeGPS blocks listed by a gps index: digits enciphered";
        QList<QByteArray> blockDirs;
        for (const QByteArray &r : counted)
            blockDirs << directory(0x0d, {r});
        row("enciphered, first record (held until the cipher is learnt)", blocksFile(blockDirs),
            12, "", enciphered, 0, "20240603081555", -34.603720 - 55e-4, -58.38159);
        row("enciphered, last record, past the minute", blocksFile(blockDirs), 12, "", enciphered,
            11, "20240603081606", -34.603720 - 66e-4, -58.38159);
        row("enciphered, too few seconds to learn", blocksFile(blockDirs.mid(0, 9)), -1,
            "LIGOGPSINFO records found in freeGPS blocks listed by a gps index, but their digit "
            "cipher could not be learnt (too few seconds counted)");
        QList<QByteArray> skipped;
        for (const Rec &r : countingSeconds(0, 15, {4}))
            skipped << encipheredRecord(textOf(r, kFirstScale));
        row("enciphered, a second skipped, learnt when it comes",
            skipFile(directory(0x0d, skipped)), 16, "", "", 5, "20240603081505", -34.603720 - 5e-4, -58.38159);

        // gpmd samples behind the binary head; a sample whose head says 'V' is not of the family.
        row("gpmd, headed samples", oneTrackFile({gpmdSample('A', fuzzedSW), gpmdSample('A', fuzzedNE)},
                                                 "gpmd", "meta"),
            2, "", "LIGOGPSINFO records in gpmd samples", 1, "20240603081502", 69.6489, 18.9553);
        row("gpmd, head says V: passed over",
            oneTrackFile({gpmdSample('V', fuzzedSW), gpmdSample('A', fuzzedNE)}, "gpmd", "meta"), 1,
            "", "", 0, "20240603081502", 69.6489, 18.9553);

        // JSON in a top-level udta atom: the receiver's UTC clock, knots.
        const QByteArray objects = jsonObject("V", 0, "N", "E", "0.000000", "0.000000") +
                                   jsonObject("A", 1, "S", "W", "34.603720", "58.381590") +
                                   jsonObject("A", 2, "N", "E", "69.648900", "18.955300", false);
        const QByteArray udta = ftyp() + movie() + box("udta", objects);
        row("JSON, void first object keeps its clock", udta, 3, "",
            "LIGOGPSINFO records in JSON objects in a top-level udta atom: the receiver's UTC "
            "clock and the camera's", 0, "20240603081500", 0, 0, -1,
            false);
        row("JSON, south and west, knots", udta, 3, "", "", 1, "20240603081501", -34.60372,
            -58.38159, 10 * 1.852, false);
        row("JSON, no camera clock, high north", udta, 3, "", "", 2, "20240603081502", 69.6489,
            18.9553, -1, false);
        const QByteArray head = le32(0x20) + le32(0) + "__V35AX_QVDATA__" + QByteArray(8, '\0');
        row("JSON behind an offset head", ftyp() + movie() + box("udta", head + objects), 3, "",
            "LIGOGPSINFO records in JSON objects in a top-level udta atom, behind an offset head", 1,
            "20240603081501", -34.60372, -58.38159, -1, false);
        QByteArray far = head;
        setLe32(far, 0, 0x7ffffff0);
        row("JSON, offset past the atom", ftyp() + movie() + box("udta", far + objects), -1);
        row("JSON, cut inside an object",
            ftyp() + movie() + box("udta", objects.left(512 + 100)), 1, "", "", 0,
            "20240603081500", 0, 0, -1, false);
        row("JSON, in another atom", ftyp() + movie() + box("udtx", objects), -1);
    }

    void reads()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        QFETCH(QString, variant);
        QFETCH(int, line);
        QFETCH(QByteArray, time);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, kmh);
        QFETCH(bool, localTime);
        ReaderReport report;
        QByteArray text;
        compareRead(furtherReader("ligogps"), file, lines, problem, &report, &text);
        if (QTest::currentTestFailed() || lines < 0)
            return;
        QVERIFY2(QString::fromStdString(report.variant).startsWith(variant),
                 report.variant.c_str());
        QCOMPARE(report.localTime, localTime);
        compareLine(text, line, time, latitude, longitude, kmh, 2e-6);
    }

    // Each class of steering byte: which of its bits go to which character, and where it puts
    // the space it stands for.
    void steeringBytes_data()
    {
        QTest::addColumn<QByteArray>("sealed");
        QTest::addColumn<QByteArray>("plain"); // empty: does not decrypt
        // 'A' ^ 0x20 = 0x61, 'B' ^ 0x20 = 0x62, 'C' ^ 0x20 = 0x63, 'D' = 0x44.
        QTest::newRow("0xc0: four, low bits in the steering byte")
            << QByteArray("\xc3\x60\x60\x63\x64", 5) << QByteArray("ABCD");
        QTest::newRow("0xe0: the fourth's bits 4 and 5 too")
            << QByteArray("\xf0\x61\x62\x63\x64", 5) << QByteArray("ABCt");
        QTest::newRow("0x40: space first") << QByteArray("\x41\x60\x62\x63", 4)
                                           << QByteArray(" ABC");
        QTest::newRow("0x60: space second") << QByteArray("\x61\x60\x62\x63", 4)
                                            << QByteArray("A BC");
        QTest::newRow("0x80: space third") << QByteArray("\x81\x60\x62\x63", 4)
                                           << QByteArray("AB C");
        QTest::newRow("0xa0: space last") << QByteArray("\xa1\x60\x62\x63", 4)
                                          << QByteArray("ABC ");
        QTest::newRow("0x00: one byte at a time") << QByteArray("\x12\x21\x01\x40", 4)
                                                  << QByteArray("3A");
        QTest::newRow("length below 4: not this scheme") << QByteArray("\x12\x21", 2)
                                                         << QByteArray();
        QTest::newRow("0x20: no such class") << QByteArray("\x20\x61\x62\x63\x64", 5)
                                             << QByteArray();
        QTest::newRow("0xc0 cut short") << QByteArray("\xc0\x61\x62", 3) << QByteArray();
        QTest::newRow("0x00 cut short") << QByteArray("\x00", 1) << QByteArray();
    }
    void steeringBytes()
    {
        QFETCH(QByteArray, sealed);
        QFETCH(QByteArray, plain);
        const QByteArray record = "####" + le32(quint32(sealed.size())) + sealed;
        std::string text;
        const bool decrypted = ligo::decryptRecord(
            reinterpret_cast<const unsigned char *>(record.constData()), std::size_t(record.size()),
            &text);
        QCOMPARE(decrypted, !plain.isEmpty());
        if (decrypted)
            QCOMPARE(QByteArray::fromStdString(text), plain);
    }

    // The axes in g become 256 counts to the g, in every scheme that stores them.
    void accelerometer()
    {
        ReaderReport report;
        QByteArray text;
        const QByteArray file =
            skipFile(directory(kNotFuzzed, {encryptedRecord(textOf(kSouthWest))}));
        QCOMPARE(runReader(furtherReader("ligogps"), file, &report, &text), 1);
        QVERIFY(report.hasAccel);
        QCOMPARE(lineAt(text, 0).g[0], 128);
    }
};

QTEST_GUILESS_MAIN(TestLigoGps)
#include "tst_ligogps.moc"
