#pragma once
// A timed-metadata track added to ffmpeg's movie the way cameras add one: a track in the movie
// box with its own sample tables, its samples in a second media data box after the movie box.
// With the route helpers the metadata fixtures share.
#include "fixturekit.h"

namespace fixturekit {
namespace metadata {

inline constexpr double kGravity = 9.80665;
inline constexpr double kKnotsPerKmh = 1.0 / 1.852;
inline constexpr qint64 kMovieEpoch = 2082844800; // 1904-01-01 to 1970-01-01, seconds
inline constexpr qint64 kGpsEpoch = 315964800;    // 1970-01-01 to 1980-01-06, seconds

struct TimedSample
{
    QByteArray bytes;
    quint32 duration = 0; // track units
};

// Seconds since 1970 of a route fix on the fixtures' day.
inline qint64 unixTime(const Fix &f)
{
    // 2024-08-02 is day 19937 since 1970-01-01.
    return 19937LL * 86400 + f.hour * 3600 + f.minute * 60 + f.second;
}

// The route on the metadata fixtures' day, 2024-08-02.
inline std::vector<Fix> route(const City &city, int count, int startMinute)
{
    std::vector<Fix> fixes = drive(city, count, startMinute, lightsFor(count));
    for (Fix &f : fixes) {
        f.month = 8;
        f.day = 2;
    }
    return fixes;
}

// A route point k/perSecond of the way from fix i to fix i+1.
inline Fix between(const std::vector<Fix> &fixes, size_t i, int k, int perSecond)
{
    Fix f = fixes[i];
    if (i + 1 < fixes.size()) {
        const double t = double(k) / perSecond;
        const Fix &g = fixes[i + 1];
        f.lat += (g.lat - f.lat) * t;
        f.lon += (g.lon - f.lon) * t;
        f.speedMs += (g.speedMs - f.speedMs) * t;
    }
    return f;
}

// ddmm.mmmmmm as the track line prints it, from signed degrees.
inline double nmeaMinutes(double degrees)
{
    const double a = std::fabs(degrees);
    const double whole = std::floor(a);
    return whole * 100 + (a - whole) * 60;
}

inline QByteArray trackLine(bool fix, const Fix &when, double lat, double lon, double kmh,
                            double course, const int g[3])
{
    char buf[256];
    std::snprintf(buf, sizeof buf, "%c20%.2d%.2d%.2d%.2d%.2d%.2d,%f,%c,%f,%c,%.2f,%.2f,%d,%d,%d\n",
                  fix ? 'A' : 'V', when.year, when.month, when.day, when.hour, when.minute,
                  when.second, fix ? nmeaMinutes(lat) : 0.0, fix && lat < 0 ? 'S' : 'N',
                  fix ? nmeaMinutes(lon) : 0.0, fix && lon < 0 ? 'W' : 'E',
                  fix ? kmh * kKnotsPerKmh : 0.0, fix ? course : 0.0, g[0], g[1], g[2]);
    return buf;
}

// ---------------------------------------------------------------- the track in the movie

inline QByteArray fullBox(const char *type, quint32 versionFlags, const QByteArray &rest)
{
    QByteArray p;
    putBE32(p, versionFlags);
    return box(type, p + rest);
}

inline QByteArray trackHeader(quint32 trackId, quint32 duration)
{
    QByteArray p;
    putBE32(p, 0); // created
    putBE32(p, 0); // modified
    putBE32(p, trackId);
    putBE32(p, 0);
    putBE32(p, duration);
    p.append(8, '\0');
    p.append(8, '\0'); // layer, group, volume, reserved
    for (quint32 m : {0x00010000u, 0u, 0u, 0u, 0x00010000u, 0u, 0u, 0u, 0x40000000u})
        putBE32(p, m);
    putBE32(p, 0); // no picture
    putBE32(p, 0);
    return fullBox("tkhd", 0x00000003, p); // enabled, in the movie
}

inline QByteArray metadataTrak(quint32 trackId, quint32 movieDuration, const char *format,
                               quint32 timescale, const std::vector<TimedSample> &samples,
                               quint32 chunkOffset)
{
    quint32 total = 0;
    for (const TimedSample &s : samples)
        total += s.duration;
    QByteArray mdhd;
    putBE32(mdhd, 0);
    putBE32(mdhd, 0);
    putBE32(mdhd, timescale);
    putBE32(mdhd, total);
    putBE16(mdhd, 0x55c4); // undetermined language
    putBE16(mdhd, 0);
    QByteArray hdlr;
    putBE32(hdlr, 0);
    hdlr += "meta";
    hdlr.append(12, '\0');
    hdlr += QByteArray("Telemetry", 10);
    QByteArray url;
    putBE32(url, 1); // the data is in this file
    QByteArray dref;
    putBE32(dref, 1);
    dref += box("url ", url);
    QByteArray entry(6, '\0');
    putBE16(entry, 1);
    QByteArray stsd;
    putBE32(stsd, 1);
    stsd += box(format, entry);
    QByteArray stts, stsc, stsz, stco;
    putBE32(stts, quint32(samples.size()));
    for (const TimedSample &s : samples) {
        putBE32(stts, 1);
        putBE32(stts, s.duration);
    }
    putBE32(stsc, 1);
    for (quint32 v : {1u, quint32(samples.size()), 1u}) // every sample in one chunk
        putBE32(stsc, v);
    putBE32(stsz, 0);
    putBE32(stsz, quint32(samples.size()));
    for (const TimedSample &s : samples)
        putBE32(stsz, quint32(s.bytes.size()));
    putBE32(stco, 1);
    putBE32(stco, chunkOffset);
    const QByteArray stbl = fullBox("stsd", 0, stsd) + fullBox("stts", 0, stts) +
                            fullBox("stsc", 0, stsc) + fullBox("stsz", 0, stsz) +
                            fullBox("stco", 0, stco);
    const QByteArray minf =
        fullBox("nmhd", 0, {}) + box("dinf", fullBox("dref", 0, dref)) + box("stbl", stbl);
    const QByteArray mdia = fullBox("mdhd", 0, mdhd) + fullBox("hdlr", 0, hdlr) + box("minf", minf);
    return trackHeader(trackId, movieDuration) + box("mdia", mdia);
}

// The movie with a metadata track appended after its tracks and the samples in a media data
// box after the movie box; created (Unix seconds, 0: left as is) sets the movie's creation time.
inline QByteArray withMetadataTrack(const QByteArray &mp4, const char *format, quint32 timescale,
                                    const std::vector<TimedSample> &samples, qint64 created)
{
    TopLevel top = parseFile(mp4);
    if (top.boxes.back().type != "moov")
        fail("movie box is not last");
    Box &moov = top.boxes.back();
    Box &mvhd = need(moov, "mvhd");
    if (created > 0) {
        setBE32(mvhd.payload, 4, quint32(created + kMovieEpoch));
        setBE32(mvhd.payload, 8, quint32(created + kMovieEpoch));
    }
    const quint32 trackId = be32(mvhd.payload, 96);
    setBE32(mvhd.payload, 96, trackId + 1);
    quint32 total = 0;
    QByteArray data;
    for (const TimedSample &s : samples) {
        total += s.duration;
        data += s.bytes;
    }
    const quint32 movieDuration =
        quint32(qint64(total) * be32(mvhd.payload, 12) / qint64(timescale));
    auto last = moov.children.end();
    for (auto it = moov.children.begin(); it != moov.children.end(); ++it)
        if (it->type == "trak")
            last = it + 1;
    const auto at = last - moov.children.begin();
    const auto build = [&](quint32 offset) {
        const QByteArray bytes =
            metadataTrak(trackId, movieDuration, format, timescale, samples, offset);
        Box trak{"trak", {}, {}, true};
        trak.children = parseBoxes(bytes, 0, bytes.size());
        return trak;
    };
    moov.children.insert(moov.children.begin() + at, build(0));
    const quint32 dataAt = quint32(serialize(top.boxes).size() + 8);
    moov.children[size_t(at)] = build(dataAt);
    return serialize(top.boxes) + box("mdat", data);
}

} // namespace metadata
} // namespace fixturekit
