// LIGOGPSINFO records in every place a file keeps them and in every scheme: freeGPS blocks
// listed by a "gps " index (the directory 16 bytes in, encrypted and fuzzed; the third fuzz
// scale; 48 bytes in, clear text; enciphered digits), a top-level "skip" atom (not fuzzed,
// degrees and minutes), a trailer found from the file's end (high latitudes), the samples of a
// "gpmd" track behind an 80-byte binary head, JSON objects in a top-level "udta" atom (with
// and without the camera's clock, and behind an offset head), and in a transport stream: PES
// units on PID 0x300 (one a second and listed, or all in one behind "skip" and not listed) and a
// trailer. The first two seconds and the
// middle one hold no position; every stored number is written so that reading it back gives
// one answer, which the expected text holds.
#include "fixtures_freegpsindex.h"
#include "sampletrack.h"

namespace fixturekit {
namespace {
namespace fixturesligo {

using freegpsindex::Sample;
using freegpsindex::sampleAt;

// North of the polar circle: latitudes in the sixties, longitude under 20.
const City kTromso{"Tromso, Storgata to the bridge",
                   {{69.64890, 18.95530}, {69.65160, 18.96020}, {69.65010, 18.97140}}};

constexpr double kFirstScale = 1.524855137;
constexpr double kThirdScale = 1.15368;
constexpr double kFuzzedSpeed = 1.85407333;
constexpr int kRecordSize = 0x84;

enum class Scheme
{
    Clear,      // text behind a counter, km/h
    Encrypted,  // steering bytes
    Enciphered, // digits substituted
};

struct Form
{
    Scheme scheme = Scheme::Encrypted;
    bool fuzzed = true;
    double scale = kFirstScale;
    bool degreesMinutes = false; // ddmm.mmmm (never fuzzed here)
};

// What a reader makes of one record: the expected line of the second.
QByteArray expectedLine(const Fix &f, bool fix, double lat, double lon, double kmh, double course,
                        const double g[3])
{
    fix = fix && lat != 0 && lon != 0;
    return format("%c20%.2d%.2d%.2d%.2d%.2d%.2d,%f,%c,%f,%c,%.2f,%.2f,%d,%d,%d\n", fix ? 'A' : 'V',
                  f.year, f.month, f.day, f.hour, f.minute, f.second, fix ? minutesForm(lat) : 0.0,
                  fix && lat < 0 ? 'S' : 'N', fix ? minutesForm(lon) : 0.0,
                  fix && lon < 0 ? 'W' : 'E', fix ? kmh * kKnotsPerKmh : 0.0, fix ? course : 0.0,
                  counts(g[0]), counts(g[1]), counts(g[2]));
}

// Fuzzing as the cameras do it: the parts past the tens of degrees swapped and divided by the
// scale; the reader multiplies them back.
void fuzz(double *lat, double *lon, double scale)
{
    const double lat10 = std::trunc(*lat / 10) * 10, lon10 = std::trunc(*lon / 10) * 10;
    const double a = lat10 + (*lon - lon10) / scale;
    const double b = lon10 + (*lat - lat10) / scale;
    *lat = a;
    *lon = b;
}
void unfuzz(double *lat, double *lon, double scale)
{
    const double lat10 = std::trunc(*lat / 10) * 10, lon10 = std::trunc(*lon / 10) * 10;
    const double a = lat10 + (*lon - lon10) * scale;
    const double b = lon10 + (*lat - lat10) * scale;
    *lat = a;
    *lon = b;
}

// The record's text (without its 4-byte counter) and the second's expected line.
QByteArray recordText(const Fix &f, Sample kind, const Form &form, QByteArray &expected)
{
    const bool position = kind == Sample::Fix;
    double lat = position ? std::fabs(f.lat) : 0, lon = position ? std::fabs(f.lon) : 0;
    const double kmh = kind == Sample::NoFix ? 0 : f.speedMs * 3.6;
    QByteArray latText, lonText, speedText;
    double speedFactor = 1;
    if (form.degreesMinutes) {
        latText = format("%011.6f", minutesForm(lat));
        lonText = format("%012.6f", minutesForm(lon));
        speedText = format("%.2f", kmh);
    } else {
        if (form.fuzzed)
            fuzz(&lat, &lon, form.scale);
        latText = format("%.6f", lat);
        lonText = format("%.6f", lon);
        speedFactor = form.scheme == Scheme::Clear ? 1.0 : form.fuzzed ? kFuzzedSpeed : 1.852;
        speedText = format("%.2f", kmh / speedFactor);
    }
    const double g[3] = {f.gx / 256.0, f.gy / 256.0, f.gz / 256.0};
    const QByteArray gText[3] = {format("%.3f", g[0]), format("%.3f", g[1]), format("%.3f", g[2])};
    // Signed where the hemisphere is south or west (the enciphered form's letters are learnt
    // from the signs).
    const bool south = f.lat < 0 && position, west = f.lon < 0 && position;
    const QByteArray text =
        format("20%.2d/%.2d/%.2d %.2d:%.2d:%.2d %c:%s%s %c:%s%s %s km/h x:%s y:%s z:%s A:%.1f",
               f.year, f.month, f.day, f.hour, f.minute, f.second, latHemi(f.lat),
               south ? "-" : "", latText.constData(), lonHemi(f.lon), west ? "-" : "",
               lonText.constData(), speedText.constData(), gText[0].constData(),
               gText[1].constData(), gText[2].constData(), f.course);

    // Read back as the reader does.
    double la = latText.toDouble(), lo = lonText.toDouble();
    if (form.degreesMinutes) {
        const auto degrees = [](double v) {
            const double d = std::trunc(v / 100);
            return d + (v - d * 100) / 60;
        };
        la = degrees(la);
        lo = degrees(lo);
    } else if (form.fuzzed) {
        unfuzz(&la, &lo, form.scale);
    }
    const double back[3] = {gText[0].toDouble(), gText[1].toDouble(), gText[2].toDouble()};
    // The enciphered form's course letter is not among the learnt characters: no course.
    const double course = form.scheme == Scheme::Enciphered ? 0 : format("%.1f", f.course).toDouble();
    expected += expectedLine(f, position, f.lat < 0 ? -la : la, f.lon < 0 ? -lo : lo,
                             speedText.toDouble() * speedFactor, course, back);
    return text;
}

// The steering-byte scheme, backwards: four characters under a steering byte that carries some
// of their bits (a space among them left to the steering byte), the last one or three alone.
QByteArray encrypt(const QByteArray &plain)
{
    QByteArray out;
    int i = 0;
    const auto o = [&](int k) { return uchar(plain[i + k]); };
    while (i < plain.size()) {
        if (plain.size() - i >= 4) {
            int space = -1;
            for (int k = 0; k < 4; ++k)
                if (o(k) == 0x20 && space < 0)
                    space = k;
            if (space < 0) {
                const uchar v0 = o(0) ^ 0x20, v1 = o(1) ^ 0x20, v2 = o(2) ^ 0x20;
                const uchar b = uchar(0xc0 | (v0 & 0x01) | (v1 & 0x02) | (v2 & 0x0c) | (o(3) & 0x30));
                out.append(char(b)).append(char(v0 & ~0x01)).append(char(v1 & ~0x02));
                out.append(char(v2 & ~0x0c)).append(char((o(3) & ~0x30) ^ 0x20));
                i += 4;
                continue;
            }
            // 0x40, 0x60, 0x80, 0xa0: the space first, second, third or last; the masks of
            // the other three as the decrypting side takes them.
            static const uchar kMasks[4][3] = {
                {0x01, 0x06, 0x18}, {0x03, 0x04, 0x18}, {0x03, 0x0c, 0x10}, {0x01, 0x06, 0x18}};
            uchar b = uchar(0x40 + 0x20 * space);
            QByteArray rest;
            for (int k = 0, m = 0; k < 4; ++k) {
                if (k == space)
                    continue;
                const uchar v = o(k) ^ 0x20;
                b |= v & kMasks[space][m];
                rest.append(char(v & ~kMasks[space][m]));
                ++m;
            }
            out.append(char(b)).append(rest);
            i += 4;
            continue;
        }
        const uchar v = o(0);
        out.append(char(v & 0x13)).append(char(v & ~0x13));
        ++i;
    }
    return out;
}

// The digit cipher: every character from '0' to '_' to another of that range (the '2' that
// starts the year below '@', so that the steering scheme cannot take it).
char encipher(char c)
{
    const int i = uchar(c) - 0x30;
    return i >= 0 && i < 0x30 ? char(0x30 + (i * 5 + 3) % 0x30) : c;
}

QByteArray record(const QByteArray &text, Scheme scheme, int counter)
{
    QByteArray r;
    if (scheme == Scheme::Clear) {
        putLE32(r, quint32(counter));
        r += text;
    } else if (scheme == Scheme::Encrypted) {
        QByteArray plain;
        putLE32(plain, quint32(counter));
        const QByteArray sealed = encrypt(plain + text);
        r += "####";
        putLE32(r, quint32(sealed.size()));
        r += sealed;
    } else {
        r += "####";
        r.append(char(0x3b)).append('\0').append(char(0xa0)).append(char(0x34));
        for (char c : text)
            r.append(encipher(c));
    }
    if (r.size() > kRecordSize)
        fail("a LIGOGPSINFO record is too long", r);
    r.append(kRecordSize - r.size(), '\0');
    return r;
}

// The directory head: the tag, the fuzz word (1: not fuzzed, 5 or 13: fuzzed), a counter.
QByteArray directory(quint8 fuzzWord, quint32 counter)
{
    QByteArray d("LIGOGPSINFO", 12);
    d.append(3, '\0').append(char(fuzzWord));
    putLE32(d, counter);
    return d;
}

quint8 fuzzWordOf(const Form &form)
{
    return !form.fuzzed ? 0x01 : form.scheme == Scheme::Enciphered ? 0x0d : 0x05;
}

// One record a second, each the second's whole text.
std::vector<QByteArray> records(const std::vector<Fix> &fixes, const Form &form,
                                QByteArray &expected)
{
    std::vector<QByteArray> out;
    const int n = int(fixes.size());
    for (int i = 0; i < n; ++i)
        out.push_back(record(recordText(fixes[size_t(i)], sampleAt(i, n), form, expected),
                             form.scheme, i + 1));
    return out;
}

// freeGPS blocks of 256 bytes listed by an index, the directory at head (16 or 48).
QByteArray inBlocks(const QByteArray &video, const std::vector<Fix> &fixes, const Form &form,
                    int head, QByteArray &expected)
{
    std::vector<QByteArray> blocks;
    const std::vector<QByteArray> rs = records(fixes, form, expected);
    for (std::size_t i = 0; i < rs.size(); ++i) {
        QByteArray block;
        putBE32(block, freegpsindex::kBlockSize);
        block.append("freeGPS ", 8);
        // The third scale's camera writes 0x3f0 here and a zero counter.
        putLE32(block, form.scale == kThirdScale ? 0x3f0u : 0x98u);
        block.append(head - block.size(), '\0');
        block += directory(fuzzWordOf(form), form.scale == kThirdScale ? 0 : quint32(i + 1));
        blocks.push_back(freegpsindex::finished(block + rs[i]));
    }
    return freegpsindex::withIndexedBlocks(video, blocks);
}

QByteArray directoryOf(const std::vector<QByteArray> &rs, const Form &form)
{
    QByteArray d = directory(fuzzWordOf(form), 1);
    for (const QByteArray &r : rs)
        d += r;
    return d;
}

QByteArray inSkipAtom(const QByteArray &video, const std::vector<Fix> &fixes, const Form &form,
                      QByteArray &expected)
{
    return video + box("skip", directoryOf(records(fixes, form, expected), form));
}

// A "skip" atom after the movie whose last 8 bytes are "&&&&" and its own length.
QByteArray inTrailer(const QByteArray &video, const std::vector<Fix> &fixes, const Form &form,
                     QByteArray &expected)
{
    QByteArray trailer = directoryOf(records(fixes, form, expected), form);
    const quint32 length = quint32(trailer.size() + 16);
    trailer.append("&&&&", 4);
    putBE32(trailer, length);
    return video + box("skip", trailer);
}

// gpmd samples: the 80-byte binary head (the clock, 'A' and the hemispheres, floats the
// readers leave, "&&&&"), then a directory of one record. The first second's head says 'V':
// such samples are not of the family and are passed over.
QByteArray inGpmdSamples(const QByteArray &video, const std::vector<Fix> &fixes, const Form &form,
                         QByteArray &expected)
{
    std::vector<QByteArray> samples;
    QByteArray unused;
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        const Fix &f = fixes[i];
        QByteArray s;
        for (qint32 v : {f.hour, f.minute, f.second, 2000 + f.year, f.month, f.day})
            putLE32(s, quint32(v));
        s.append(i == 0 ? 'V' : 'A').append(latHemi(f.lat)).append(lonHemi(f.lon)).append('1');
        for (float v : {1037.5f, 3214.25f, 12.5f, 87.75f, 0.25f, 0.5f, 1.25f})
            putLEFloat(s, v);
        s.append(0x4c - s.size(), '\0');
        s += "&&&&";
        QByteArray line;
        const QByteArray r = record(
            recordText(f, sampleAt(int(i), int(fixes.size())), form, i == 0 ? unused : line),
            form.scheme, int(i) + 1);
        expected += line;
        samples.push_back(s + directory(fuzzWordOf(form), quint32(i + 1)) + r);
    }
    return withSampleTrack(video, {"meta", "gpmd", false}, samples);
}

// One PES unit a second on PID 0x300, the directory and its record (never fuzzed in a unit of
// this size), the PID listed in the program map.
QByteArray inTransportUnits(const QByteArray &ts, const std::vector<Fix> &fixes, const Form &form,
                            QByteArray &expected)
{
    std::vector<QByteArray> units;
    const std::vector<QByteArray> rs = records(fixes, form, expected);
    for (std::size_t i = 0; i < rs.size(); ++i)
        units.push_back(directory(fuzzWordOf(form), quint32(i + 1)) + rs[i]);
    return transportWithGpsUnits(ts, units, true);
}

// A private PES unit on PID 0x300 over as many packets as it takes, the last one filled out by
// an adaptation field of stuffing.
QByteArray pesPackets(const QByteArray &payload)
{
    QByteArray pes("\0\0\1\xbd", 4);
    putBE16(pes, quint16(3 + payload.size()));
    pes.append(char(0x80)).append(char(0)).append(char(0));
    pes += payload;
    QByteArray out;
    for (int at = 0, counter = 0; at < pes.size(); at += 184, ++counter) {
        const QByteArray chunk = pes.mid(at, 184);
        QByteArray p;
        p.append(char(0x47)).append(char((at == 0 ? 0x40 : 0) | 0x03)).append(char(0x00));
        const int room = 184 - chunk.size();
        p.append(char((room > 0 ? 0x30 : 0x10) | (counter & 0x0f)));
        if (room > 0) {
            p.append(char(room - 1));
            if (room > 1)
                p.append(char(0)).append(room - 2, char(0xff));
        }
        p += chunk;
        if (at == 0 && (p[34] == 'A' || p[34] == 'V' || p[66] == 'A' || p[66] == 'V'))
            fail("LIGOGPSINFO unit reads as a record of the older layout");
        out += p;
    }
    return out;
}

// All seconds in one unit behind "skip" and a size, the PID not in the program map; the
// cameras repeat the unit, and readers take the first. A unit holds 480 records at most.
QByteArray inTransportSkipUnit(const QByteArray &ts, std::vector<Fix> fixes, const Form &form,
                               QByteArray &expected)
{
    if (fixes.size() > 480)
        fixes.resize(480);
    const QByteArray dir = directoryOf(records(fixes, form, expected), form);
    QByteArray unit("skip");
    putBE32(unit, quint32(dir.size() + 8));
    unit += dir;
    return ts + pesPackets(unit) + pesPackets(unit);
}

enum class JsonForm
{
    WithCameraClock,
    UtcOnly,
    OffsetHead,
};

// JSON objects of 512 bytes each: the receiver's UTC clock, status, hemispheres, decimal
// degrees, knots, raw G-sensor counts, and (in two forms) the camera's clock nine hours on.
QByteArray inUserData(const QByteArray &video, const std::vector<Fix> &fixes, JsonForm form,
                      QByteArray &expected)
{
    QByteArray objects;
    const int n = int(fixes.size());
    for (int i = 0; i < n; ++i) {
        const Fix &f = fixes[size_t(i)];
        const Sample kind = sampleAt(i, n);
        const QByteArray lat = format("%.6f", kind == Sample::Fix ? std::fabs(f.lat) : 0.0);
        const QByteArray lon = format("%.6f", kind == Sample::Fix ? std::fabs(f.lon) : 0.0);
        const QByteArray knots = format("%.2f", f.speedMs * 3600 / 1852);
        QByteArray json = format(
            "{\"Hour\": \"%.2d\", \"Minute\": \"%.2d\", \"Second\": \"%.2d\", \"Year\": "
            "\"20%.2d\", \"Month\": \"%.2d\", \"Day\": \"%.2d\", \"status\": \"%c\", \"NS\": "
            "\"%c\", \"EW\": \"%c\", \"Latitude\": \"%s\", \"Longitude\": \"%s\", \"Speed\": "
            "\"%s\", \"GsensorX\": \"%d\", \"GsensorY\": \"%d\", \"GsensorZ\": \"%d\"",
            f.hour, f.minute, f.second, f.year, f.month, f.day,
            kind == Sample::NoFix ? 'V' : 'A', latHemi(f.lat), lonHemi(f.lon), lat.constData(),
            lon.constData(), knots.constData(), f.gx, f.gy, f.gz);
        if (form != JsonForm::UtcOnly)
            json += format(", \"MHour\": \"%.2d\", \"MMinute\": \"%.2d\", \"MSecond\": \"%.2d\", "
                           "\"MYear\": \"20%.2d\", \"MMonth\": \"%.2d\", \"MDay\": \"%.2d\", "
                           "\"OLatitude\": \"%s\", \"OLongitude\": \"%s\"",
                           (f.hour + 9) % 24, f.minute, f.second, f.year, f.month, f.day,
                           lat.constData(), lon.constData());
        json += "}";
        QByteArray object = "LIGOGPSINFO " + json;
        if (object.size() > 512)
            fail("a LIGOGPSINFO object is too long");
        objects += object + QByteArray(512 - object.size(), '\0');
        const double la = lat.toDouble() * (f.lat < 0 ? -1 : 1);
        const double lo = lon.toDouble() * (f.lon < 0 ? -1 : 1);
        const double none[3] = {};
        expected += expectedLine(f, kind != Sample::NoFix, la, lo, knots.toDouble() * 1.852, 0,
                                 none);
    }
    if (form != JsonForm::OffsetHead)
        return video + box("udta", objects);
    QByteArray head;
    putLE32(head, 0x40);
    head.append(4, '\0');
    head += "__V35AX_QVDATA__";
    head.append(0x40 - head.size(), '\0');
    return video + box("udta", head + objects);
}

} // namespace fixturesligo
} // namespace

void addLigoFixtures(const BaseVideos &base, const AddFixture &add)
{
    using namespace fixturesligo;
    using freegpsindex::route;
    const int n = base.seconds;
    const Form encrypted{Scheme::Encrypted, true, kFirstScale, false};
    const Form third{Scheme::Encrypted, true, kThirdScale, false};
    const Form clear{Scheme::Clear, false, 1, false};
    const Form enciphered{Scheme::Enciphered, true, kFirstScale, false};
    const Form plainDegreesMinutes{Scheme::Encrypted, false, 1, true};
    const Form plain{Scheme::Encrypted, false, 1, false};
    add("ligo-freegps-encrypted.mp4", [&](QByteArray &e) {
        return inBlocks(base.mp4, route(kNewYork, n, 10), encrypted, 16, e);
    });
    add("ligo-freegps-third.mp4", [&](QByteArray &e) {
        return inBlocks(base.mp4Silent, route(kTokyo, n, 14), third, 16, e);
    });
    add("ligo-freegps-clear.mp4", [&](QByteArray &e) {
        return inBlocks(base.mp4, route(kBuenosAires, n, 18), clear, 48, e);
    });
    add("ligo-freegps-enciphered.mp4", [&](QByteArray &e) {
        return inBlocks(base.mp4, route(kBuenosAires, n, 22), enciphered, 16, e);
    });
    add("ligo-skip.mp4", [&](QByteArray &e) {
        return inSkipAtom(base.mp4, route(kShenzhen, n, 26), plainDegreesMinutes, e);
    });
    add("ligo-trailer.mp4", [&](QByteArray &e) {
        return inTrailer(base.mp4, route(kTromso, n, 30), encrypted, e);
    });
    add("ligo-gpmd.mp4", [&](QByteArray &e) {
        return inGpmdSamples(base.mp4Silent, route(kBuenosAires, n, 34), encrypted, e);
    });
    add("ligo-ts-units.ts", [&](QByteArray &e) {
        return inTransportUnits(base.ts, route(kNewYork, n, 50), plain, e);
    });
    add("ligo-ts-skip.ts", [&](QByteArray &e) {
        return inTransportSkipUnit(base.ts, route(kBuenosAires, n, 52), plain, e);
    });
    add("ligo-ts-trailer.ts", [&](QByteArray &e) {
        return inTrailer(base.ts, route(kTokyo, n, 54), encrypted, e);
    });
    add("ligo-udta-json.mp4", [&](QByteArray &e) {
        return inUserData(base.mp4, route(kTokyo, n, 38), JsonForm::WithCameraClock, e);
    });
    add("ligo-udta-json-utc.mp4", [&](QByteArray &e) {
        return inUserData(base.mp4, route(kNewYork, n, 42), JsonForm::UtcOnly, e);
    });
    add("ligo-udta-offset.mp4", [&](QByteArray &e) {
        return inUserData(base.mp4, route(kBuenosAires, n, 46), JsonForm::OffsetHead, e);
    });
}

} // namespace fixturekit
