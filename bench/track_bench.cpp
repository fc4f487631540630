// Times the extraction entry on 1 GiB recordings holding one hour of samples (3600), one file
// per layout. The MP4/MOV files are sparse: the index and the sample blocks sit at the ends with
// a huge hole of media data between them. The transport stream is written in full (its reader
// reads every packet), from the packets of a real recording.
//
// Usage: track_bench FOLDER [TS_TEMPLATE]   (prints one "name milliseconds" line per file)
//        track_bench --time VIDEO...         (times files made elsewhere, from the page cache)
#include "extracttrack.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
constexpr qint64 kGiB = qint64(1) << 30;
constexpr int kSamples = 3600;

void be32(QByteArray &b, quint32 v)
{
    const char c[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    b.append(c, 4);
}
void le32(QByteArray &b, quint32 v)
{
    const char c[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    b.append(c, 4);
}
QByteArray box(const char *type, const QByteArray &payload)
{
    QByteArray b;
    be32(b, quint32(payload.size() + 8));
    b.append(type, 4);
    return b + payload;
}
QByteArray fullBox(const char *type, const QByteArray &payload)
{
    QByteArray p(4, '\0');
    return box(type, p + payload);
}

// One hour along a straight road near Shenzhen at 50 km/h.
QByteArray record(int i)
{
    QByteArray r;
    for (int v : {8 + i / 3600, (i / 60) % 60, i % 60, 24, 5, 16})
        le32(r, quint32(v));
    r.append('A').append('N').append('E').append('\0');
    const double lat = 22.54 + i * 0.000125, lon = 114.05;
    for (float f : {float(std::floor(lat) * 100 + (lat - std::floor(lat)) * 60),
                    float(std::floor(lon) * 100 + (lon - std::floor(lon)) * 60), 27.0f, 0.0f}) {
        quint32 u;
        std::memcpy(&u, &f, 4);
        le32(r, u);
    }
    r.append(8, '\0');
    for (int v : {1, 2, 256})
        le32(r, quint32(v));
    r.append(16, '\0');
    return r;
}

struct Writer
{
    QFile file;
    explicit Writer(const QString &path) : file(path)
    {
        if (!file.open(QIODevice::ReadWrite | QIODevice::Truncate)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
    }
    void at(qint64 offset, const QByteArray &bytes)
    {
        file.seek(offset);
        file.write(bytes);
    }
};

QByteArray ftyp()
{
    return box("ftyp", QByteArray("isom\0\0\2\0isomiso2avc1mp41", 24));
}

// ftyp, mdat (the hole), then `tail` at 1 GiB minus its size.
qint64 sparseHead(Writer &w, qint64 tailSize)
{
    const QByteArray head = ftyp();
    const qint64 tailAt = kGiB - tailSize;
    QByteArray mdat;
    be32(mdat, quint32(tailAt - head.size()));
    mdat.append("mdat", 4);
    w.at(0, head + mdat);
    return tailAt;
}

void makeGps0(const QString &path)
{
    QByteArray records;
    for (int i = 0; i < kSamples; ++i)
        records += record(i);
    const QByteArray tail = box("gps0", records);
    Writer w(path);
    w.at(sparseHead(w, tail.size()), tail);
}

void makeGpsIndex(const QString &path)
{
    Writer w(path);
    const qint64 blocksSize = 8 + qint64(kSamples) * 96, indexSize = 16 + qint64(kSamples) * 8;
    const qint64 at = sparseHead(w, blocksSize + indexSize);
    QByteArray blocks, index;
    be32(index, 0x200);
    be32(index, kSamples);
    for (int i = 0; i < kSamples; ++i) {
        be32(index, quint32(at + 8 + qint64(i) * 96));
        be32(index, 96);
        blocks += QByteArray(16, 'x') + record(i);
    }
    w.at(at, box("free", blocks) + box("gps ", index));
}

QByteArray tkhd(int width, int height)
{
    QByteArray p(76, '\0');
    be32(p, quint32(width) << 16);
    be32(p, quint32(height) << 16);
    return fullBox("tkhd", p);
}

QByteArray track(const QByteArray &header, const QByteArray &stsd, const QVector<quint32> &chunks,
                 const char *mediaHeader)
{
    QByteArray stco;
    be32(stco, quint32(chunks.size()));
    for (quint32 c : chunks)
        be32(stco, c);
    const QByteArray stbl = box("stbl", stsd + fullBox("stco", stco));
    const QByteArray minf = box("minf", fullBox(mediaHeader, QByteArray(8, '\0')) + stbl);
    return box("trak", header + box("mdia", fullBox("mdhd", QByteArray(20, '\0')) + minf));
}

void makeHisilicon(const QString &path)
{
    Writer w(path);
    QByteArray blocks;
    for (int i = 0; i < kSamples; ++i) {
        QByteArray b(716, '\0');
        const qint32 fields[] = {
            8 + i / 3600, (i / 60) % 60, i % 60, 0, 1,   2232500 + i, 1000, 11403000,
            1000,         2700,          100,    0, 100, 16,          5,    24};
        std::memcpy(b.data(), fields, sizeof fields);
        blocks += b;
    }
    const auto movie = [](const QVector<quint32> &offsets) {
        return box("moov", fullBox("mvhd", QByteArray(96, '\0')) +
                               track(tkhd(1920, 1080), QByteArray(), {}, "vmhd") +
                               track(tkhd(0, 0), QByteArray(), offsets, "gmhd"));
    };
    const qint64 moovSize = movie(QVector<quint32>(kSamples, 0)).size();
    const qint64 at = sparseHead(w, moovSize + 8 + blocks.size());
    QVector<quint32> offsets;
    for (int i = 0; i < kSamples; ++i)
        offsets << quint32(at + moovSize + 8 + qint64(i) * 716);
    w.at(at, movie(offsets) + box("free", blocks));
}

void makeFreeGps(const QString &path)
{
    Writer w(path);
    const qint64 region = qint64(kSamples + 1) * 32768;
    QByteArray sound(8, '\0');
    sound.append(QByteArray("\0\1\0\x10\0\0\0\0\x1f\x40\0\0", 12)); // mono, 16 bits, 8000 Hz
    QByteArray entry = box("sowt", QByteArray(6, '\0') + QByteArray("\0\1", 2) + sound);
    QByteArray stsdPayload;
    be32(stsdPayload, 1);
    const QByteArray stsd = fullBox("stsd", stsdPayload + entry);
    const qint64 blocksAt = kGiB - region - 1024 * 1024; // movie box after the blocks
    const qint64 first = (blocksAt / 32768 + 1) * 32768 - 16384;
    QVector<quint32> chunks;
    for (int i = 0; i < kSamples; ++i)
        chunks << quint32(first + qint64(i) * 32768);
    const QByteArray moov = box("moov", fullBox("mvhd", QByteArray(96, '\0')) +
                                            track(tkhd(1920, 1080), QByteArray(), {}, "vmhd") +
                                            track(tkhd(0, 0), stsd, chunks, "smhd"));
    QByteArray head = box("ftyp", QByteArray("qt  \0\0\2\0qt  ", 12));
    QByteArray mdat;
    const qint64 moovAt = kGiB - moov.size();
    be32(mdat, quint32(moovAt - head.size()));
    mdat.append("mdat", 4);
    w.at(0, head + mdat);
    for (int i = 0; i < kSamples; ++i) {
        QByteArray block = QByteArray("GPS\0\0\0\0\0", 8) + QByteArray(32, '\0') + record(i);
        w.at(chunks[i] + 16384, box("free", block));
    }
    w.at(moovAt, moov);
}

void makeChip(const QString &path)
{
    QByteArray blocks;
    for (int i = 0; i < kSamples; ++i) {
        char text[160];
        std::snprintf(
            text, sizeof text,
            "2024/05/16 %02d:%02d:%02d N:%.4f E:11403.0000 50.0 km/h x:+0.10 y:-0.20 z:+1.00",
            8 + i / 3600, (i / 60) % 60, i % 60, 2232.5 + i * 0.0075);
        QByteArray b(text);
        b.append(132 - b.size(), ' ');
        blocks += b;
    }
    QByteArray skip = QByteArray(20, '\0') + blocks;
    const qint64 tailSize = 8 + skip.size() + 16;
    Writer w(path);
    const qint64 B = sparseHead(w, tailSize);
    QByteArray trailer(8, '\0');
    trailer += "&&&&";
    be32(trailer, quint32(kGiB - B)); // marker at the last eight bytes: B = size - S
    w.at(B, box("skip", skip + trailer));
}

void makeTransportStream(const QString &path, const QString &templatePath)
{
    QFile t(templatePath);
    if (!t.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(templatePath));
        std::exit(1);
    }
    QByteArray packets = t.readAll();
    packets.truncate(packets.size() / 188 * 188);
    Writer w(path);
    const qint64 total = kGiB / 188;
    const qint64 every = total / kSamples;
    QByteArray chunk;
    int cc = 0, sample = 0;
    qint64 source = 0;
    for (qint64 p = 0; p < total; ++p) {
        if (p % every == every / 2 && sample < kSamples) {
            QByteArray pkt("\x47\x43\x00", 3);
            pkt.append(char(0x10 | (cc++ & 15)));
            pkt.append(QByteArray("\0\0\1\xbf\0\xb2", 6));
            pkt += record(sample++);
            pkt.append(188 - pkt.size(), char(0xff));
            chunk += pkt;
        } else {
            chunk += packets.mid(int(source), 188);
            source = (source + 188) % packets.size();
        }
        if (chunk.size() >= (8 << 20)) {
            w.file.write(chunk);
            chunk.clear();
        }
    }
    w.file.write(chunk);
}

double timeExtraction(const QString &video, int kind, int runs, int *result,
                      TrackLayout *layout)
{
    const QByteArray v = QFile::encodeName(video),
                     t = QFile::encodeName(video + QStringLiteral(".txt"));
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const TrackExtraction e = extractTrackReport(v.constData(), t.constData(), kind);
        *result = e.result;
        *layout = e.report.layout;
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: track_bench FOLDER [TS_TEMPLATE]\n");
        return 2;
    }
    FILE *null = std::fopen("/dev/null", "w");
    setTrackDiagnosticsStream(null);
    if (std::strcmp(argv[1], "--time") == 0) {
        for (int i = 2; i < argc; ++i) {
            const QString path = QString::fromLocal8Bit(argv[i]);
            const int kind = containerKindForPath(path);
            int result = 0;
            TrackLayout layout = TrackLayout::None;
            timeExtraction(path, kind, 1, &result, &layout); // into the page cache
            const double ms = timeExtraction(path, kind, 5, &result, &layout);
            QFile text(path + QStringLiteral(".txt"));
            text.open(QIODevice::ReadOnly);
            std::printf("%-28s %9.2f ms  result %d  lines %d  layout %s\n",
                        QFile::encodeName(QFileInfo(path).fileName()).constData(), ms, result,
                        int(text.readAll().count('\n')), trackLayoutName(layout));
        }
        std::fflush(stdout);
        return 0;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    struct Case
    {
        const char *name;
        int kind;
        void (*make)(const QString &);
    };
    const Case cases[] = {{"gps0.mp4", 1, makeGps0},
                          {"gpsindex.mp4", 1, makeGpsIndex},
                          {"hisilicon.mp4", 1, makeHisilicon},
                          {"freegps.mov", 0, makeFreeGps},
                          {"chip.mp4", 1, makeChip}};
    for (const Case &c : cases) {
        const QString path = dir + QLatin1Char('/') + QLatin1String(c.name);
        c.make(path);
        int result = 0;
        TrackLayout layout = TrackLayout::None;
        const double ms = timeExtraction(path, c.kind, 5, &result, &layout);
        QFile text(path + QStringLiteral(".txt"));
        text.open(QIODevice::ReadOnly);
        std::printf("%-14s %9.2f ms  result %d  lines %d  layout %s\n", c.name, ms, result,
                    int(text.readAll().count('\n')), trackLayoutName(layout));
    }
    if (argc > 2) {
        const QString path = dir + QStringLiteral("/drive.ts");
        makeTransportStream(path, QString::fromLocal8Bit(argv[2]));
        int result = 0;
        TrackLayout layout = TrackLayout::None;
        timeExtraction(path, 2, 1, &result, &layout); // warm the page cache
        const double ms = timeExtraction(path, 2, 3, &result, &layout);
        std::printf("%-14s %9.2f ms  result %d  %.0f MiB/s\n", "drive.ts", ms, result,
                    1024.0 / (ms / 1000.0));
    }
    std::fflush(stdout);
    return 0;
}
