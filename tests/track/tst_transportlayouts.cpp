// GPS on PID 0x300 of a transport stream, on streams built packet by packet: which line holds
// what, the clock, the accelerometer, records in a ring, and what damaged or foreign input gives.
#include "bytebuilders.h"
#include "tspackets.h"

#include <QtTest>

#include <cmath>

namespace {

using namespace bytebuilders;

// A packet of PID pid holding the whole PES unit payload, stuffed to 188 bytes.
QByteArray unitPacket(const QByteArray &payload, int pid = 0x300)
{
    const int room = 188 - 4 - 9 - payload.size();
    QByteArray p = QByteArray(1, '\x47') + char(0x40 | pid >> 8) + char(pid & 0xff) + '\x30';
    p += char(room - 1);
    if (room > 1)
        p += QByteArray(1, '\0') + QByteArray(room - 2, '\xff');
    p += QByteArray("\x00\x00\x01\xbd", 4) + be16(quint16(3 + payload.size())) +
         QByteArray("\x80\x00\x00", 3);
    return p + payload;
}
// A null packet, so that the stream starts with two sync bytes.
QByteArray nullPacket()
{
    return QByteArray(1, '\x47') + '\x1f' + '\xff' + '\x10' + QByteArray(184, '\xff');
}
QByteArray stream(const QList<QByteArray> &units)
{
    QByteArray s = nullPacket() + nullPacket();
    for (const QByteArray &u : units)
        s += unitPacket(u) + nullPacket();
    return s;
}

QByteArray textRecord(const char *clock, const char *lat, const char *lon, const char *kmh = "36.0",
                      const char *axes = "x:0.500 y:-0.250 z:1.000")
{
    return QByteArray("Viidure") + clock + " " + lat + " " + lon + " " + kmh +
           " km/h 90.50 31.50 10 " + axes;
}

// One "$S" record: the clock's second and tenths, 1e-7 degrees, metres per 100 s.
QByteArray sRecord(int second, qint32 lat, qint32 lon, int tenths = 0, quint16 speed = 1000)
{
    return QByteArray("$S") + be16(speed) + be16(9050) + be16(2024) + char(6) + char(3) + char(8) +
           char(15) + be16(quint16(second * 10 + tenths)) + char(1) + be32(quint32(lat)) +
           be32(quint32(lon)) + QByteArray(9, '\0');
}
QByteArray sUnit(const QList<QByteArray> &records)
{
    QByteArray u(32, '\0');
    for (const QByteArray &r : records)
        u += r;
    return u + QByteArray(32, '\0');
}

// A stream spelled a packet a letter: S a unit start on PID 0x300, c a packet going on with it,
// d a packet going on with it behind a 150-byte adaptation field, b a unit start whose payload
// is no PES head, a a unit start without payload, o a unit start on another PID, n a null
// packet. Each packet's payload bytes tell it from the others.
QByteArray spelledStream(const QByteArray &spelling)
{
    QByteArray s;
    int mark = 0;
    for (char letter : spelling) {
        const char fill = char(1 + mark++ % 250);
        const bool start = letter != 'c' && letter != 'd' && letter != 'n';
        const int pid = letter == 'o' ? 0x100 : letter == 'n' ? 0x1fff : 0x300;
        s += QByteArray(1, '\x47') + char((start ? 0x40 : 0) | pid >> 8) + char(pid & 0xff);
        if (letter == 'a') {
            s += QByteArray(1, '\x20') + char(183) + QByteArray(183, '\xff');
            continue;
        }
        if (letter == 'd') {
            s += QByteArray(1, '\x30') + char(150) + QByteArray(150, '\xff') + QByteArray(33, fill);
            continue;
        }
        s += '\x10';
        if (letter == 'S' || letter == 'o')
            s += QByteArray("\x00\x00\x01\xbd\x00\x00\x80\x00\x00", 9) + QByteArray(175, fill);
        else
            s += QByteArray(184, fill);
    }
    return s;
}

} // namespace

class TestTransportLayouts : public QObject
{
    Q_OBJECT

private slots:
    void reads_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("lines"); // -1: refused
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("line");
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<double>("latitude"); // 0: no fix on that line
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("kmh"); // -1: not looked at
        QTest::addColumn<int>("gx");     // counts, 256 to the g; -1000: not looked at
        const auto row = [](const char *name, const char *layout, const QByteArray &file, int lines,
                            const char *problem = "", int line = 0, const QByteArray &time = {},
                            double lat = 0, double lon = 0, double kmh = -1, int gx = -1000) {
            QTest::newRow(name) << QString::fromLatin1(layout) << file << lines
                                << QString::fromLatin1(problem) << line << time << lat << lon << kmh
                                << gx;
        };

        // Text records behind the tag word.
        const QByteArray text =
            stream({textRecord("2024/06/03 08:15:00", "N:0.000000", "E:0.000000", "0.0"),
                    textRecord("2024/06/03 08:15:01", "S:34.603720", "W:58.381590"),
                    textRecord("2024/06/03 08:15:02", "N:69.649600", "E:18.956000", "0.0")});
        row("text, first without a fix", "ts-text-records", text, 3, "", 0, "20240603081500", 0, 0,
            -1, 128);
        row("text, second, south and west, the accelerometer", "ts-text-records", text, 3, "", 1,
            "20240603081501", -34.60372, -58.38159, 36, 128);
        row("text, last, high north, standing", "ts-text-records", text, 3, "", 2, "20240603081502",
            69.6496, 18.956, 0);
        row("text, no axes", "ts-text-records",
            stream({textRecord("2024/06/03 08:15:01", "N:40.749710", "W:73.984450", "36.0", "")}),
            1, "", 0, "20240603081501", 40.74971, -73.98445, 36, 0);
        row("text, the last packet cut short", "ts-text-records", text.chopped(188 + 20), 2, "", 1,
            "20240603081501", -34.60372, -58.38159);
        row("text, no date", "ts-text-records",
            stream({textRecord("2024/13/03 08:15:01", "N:40.749710", "W:73.984450")}), -1,
            "text records found on PID 0x300, but none holds a date");
        row("text, another tag word", "ts-text-records",
            stream(
                {textRecord("2024/06/03 08:15:01", "N:40.7", "W:73.9").replace(0, 7, "Another")}),
            -1);
        row("text, zero bytes", "ts-text-records", stream({QByteArray(100, '\0')}), -1);
        row("text, not a transport stream", "ts-text-records",
            ftyp() + box("mdat", textRecord("2024/06/03 08:15:01", "N:40.7", "W:73.9")), -1);

        // Big-endian $S records.
        const qint32 baLat = -346037200, baLon = -583815900;
        const QByteArray records =
            stream({sUnit({sRecord(0, 0, 0)}), sUnit({sRecord(1, baLat, baLon)}),
                    sUnit({sRecord(2, 696496000, 189560000, 2, 0)})});
        row("$S, first without a fix", "ts-s-records", records, 3, "", 0, "20240603081500");
        row("$S, second, south and west as signed words", "ts-s-records", records, 3, "", 1,
            "20240603081501", -34.60372, -58.38159, 36);
        row("$S, last, high north, tenths", "ts-s-records", records, 3, "", 2, "20240603081502",
            69.6496, 18.956, 0);
        // A ring: the oldest record second; the next unit repeats the newest.
        const QByteArray ring =
            stream({sUnit({sRecord(3, 407497300, -739844500), sRecord(1, 407497100, -739844500),
                           sRecord(2, 407497200, -739844500)}),
                    sUnit({sRecord(3, 407497300, -739844500), sRecord(4, 407497400, -739844500)})});
        row("$S, a ring read from its oldest", "ts-s-records", ring, 4, "", 0, "20240603081501",
            40.74971, -73.98445);
        row("$S, a ring's newest", "ts-s-records", ring, 4, "", 2, "20240603081503", 40.74973,
            -73.98445);
        row("$S, a record repeated by the next unit passed over", "ts-s-records", ring, 4, "", 3,
            "20240603081504", 40.74974, -73.98445);
        row("$S, a record ending the unit is not one", "ts-s-records",
            stream({sUnit({sRecord(1, baLat, baLon)}).left(64)}), -1);
        row("$S, no date", "ts-s-records",
            stream(
                {sUnit({sRecord(1, baLat, baLon).replace(6, 2, be16(2024).replace(0, 1, "\0"))})}),
            -1, "$S records found on PID 0x300, but none holds a date");
        row("$S, zero bytes", "ts-s-records", stream({QByteArray(96, '\0')}), -1);
        row("$S, on another PID", "ts-s-records",
            nullPacket() + nullPacket() + unitPacket(sUnit({sRecord(1, baLat, baLon)}), 0x301), -1);
    }

    void reads()
    {
        QFETCH(QString, layout);
        QFETCH(QByteArray, file);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        QFETCH(int, line);
        QFETCH(QByteArray, time);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, kmh);
        QFETCH(int, gx);
        ReaderReport report;
        QByteArray text;
        compareRead(furtherReader(qPrintable(layout)), file, lines, problem, &report, &text);
        if (QTest::currentTestFailed() || lines < 0)
            return;
        QVERIFY(!report.localTime);
        compareLine(text, line, time, latitude, longitude, kmh);
        if (gx != -1000 && !QTest::currentTestFailed())
            QCOMPARE(lineAt(text, line).g[0], gx);
    }

    // The runs of whole packets, read by one thread or two, are the stream in order: runs of
    // 4096 packets, the first, the one at a run's end and past it, an odd and an even number
    // of runs, a partial packet at the end; and a walk stopped early.
    void runsAreTheStreamInOrder_data()
    {
        QTest::addColumn<bool>("two");
        QTest::addColumn<int>("packets");
        QTest::addColumn<int>("extraBytes");
        for (bool two : {false, true}) {
            const char *readers = two ? "two readers" : "one reader";
            for (int packets : {0, 1, 4095, 4096, 4097, 8192, 3 * 4096 + 5})
                QTest::addRow("%s, %d packets", readers, packets) << two << packets << 0;
            QTest::addRow("%s, a partial packet at the end", readers) << two << 8193 << 100;
        }
    }

    void runsAreTheStreamInOrder()
    {
        QFETCH(bool, two);
        QFETCH(int, packets);
        QFETCH(int, extraBytes);
        QByteArray bytes(packets * 188 + extraBytes, '\0');
        // Each packet starts with its number, so that no two runs are alike.
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i % 188 < 4 ? (i / 188) >> (8 * (i % 188)) : i % 251);
        VideoInput input;
        input.data = reinterpret_cast<const unsigned char *>(bytes.constData());
        input.size = std::size_t(bytes.size());
        InputFile file(input);
        QByteArray read;
        {
            TsRunReader reader(file, two);
            const unsigned char *run = nullptr;
            std::size_t size = 0;
            while (reader.next(&run, &size))
                read.append(reinterpret_cast<const char *>(run), int(size));
        }
        QCOMPARE(read.size(), packets * 188);
        QVERIFY(read == bytes.left(packets * 188));
        // Stopped inside the second run, with the helper reading on.
        int visited = 0;
        forEachTsPacket(
            file, [&visited](const unsigned char *) { return ++visited < 5000; }, two);
        QCOMPARE(visited, std::min(packets, 5000));
    }

    // A stream read in parts side by side gives the units one pass gives: at the parts' ends, a
    // unit across whole parts, damaged starts, starts without payload, the cap on the number of
    // units, and a unit beyond the size bound whose lead fills a part.
    void partsGiveTheUnitsOfOnePass_data()
    {
        QTest::addColumn<QByteArray>("spelling");
        QTest::addColumn<int>("maxUnits");
        QTest::newRow("units across the parts' ends") << QByteArray("nn") + QByteArray("Scco").repeated(20) << 1000;
        QTest::newRow("one unit across whole parts")
            << QByteArray("nnS") + QByteArray(60, 'c') + "Scc" << 1000;
        QTest::newRow("packets before the first start belong to no unit")
            << QByteArray("ccc") + QByteArray("Sc").repeated(10) << 1000;
        QTest::newRow("a damaged start ends the unit") << QByteArray("Sccbcc").repeated(10) << 1000;
        QTest::newRow("a start without payload starts nothing") << QByteArray("Scac").repeated(10) << 1000;
        QTest::newRow("the cap on units") << QByteArray("Sc").repeated(20) << 3;
        QTest::newRow("a unit beyond the size bound across parts")
            << QByteArray("nnS") + QByteArray(1500, 'c') + "Sc" << 1000;
        QTest::newRow("a unit beyond the size bound in short payloads")
            << QByteArray("nnS") + QByteArray(3000, 'd') + "Sc" << 1000;
    }

    void partsGiveTheUnitsOfOnePass()
    {
        QFETCH(QByteArray, spelling);
        QFETCH(int, maxUnits);
        const QByteArray bytes = spelledStream(spelling);
        std::vector<std::vector<unsigned char>> onePass;
        PesAssembler assembler(0x300);
        for (int at = 0; at < bytes.size() && int(onePass.size()) < maxUnits; at += 188) {
            if (assembler.take(reinterpret_cast<const unsigned char *>(bytes.constData()) + at))
                onePass.push_back(assembler.unit());
        }
        if (int(onePass.size()) < maxUnits && assembler.finish())
            onePass.push_back(assembler.unit());
        QVERIFY(onePass.size() >= 2);
        VideoInput input;
        input.data = reinterpret_cast<const unsigned char *>(bytes.constData());
        input.size = std::size_t(bytes.size());
        InputFile file(input);
        for (unsigned parts : {1u, 2u, 3u, 4u, 7u, 0u})
            QVERIFY2(collectPesUnits(file, 0x300, std::size_t(maxUnits), parts) == onePass,
                     qPrintable(QStringLiteral("%1 parts").arg(parts)));
    }
};

QTEST_GUILESS_MAIN(TestTransportLayouts)
#include "tst_transportlayouts.moc"
