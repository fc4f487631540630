#pragma once
// A track of timed samples added to a recording made by ffmpeg the way cameras add one: its own
// sample tables in the movie box, its samples in a second "mdat" after the movie box.
#include "fixturekit.h"

#include <cstring>

namespace fixturekit {

struct TimedSample
{
    QByteArray bytes;
    quint32 duration = 0; // track units
};

// How the track and its tables are written; writers differ in these details.
struct SampleTrackKind
{
    const char *handler;            // "text", "sbtl", "meta", "gps "
    const char *format;             // "tx3g", "text", "gpmd", "camm", "gpsd"
    bool mov = false;               // QuickTime: "mhlr" component, Pascal name, base media header
    const char *name = "GPS track"; // handler name
    bool baseMediaHeader = false;   // "gmhd" outside QuickTime too
    bool oneChunk = false;          // every sample in one chunk, with a time entry each
    bool uniformSize = false;       // one sample size for all instead of a size table
    bool afterFirstTrack = false;   // placed after the first track instead of after the last
    quint32 timescale = 1000;
    qint64 created = 0; // movie creation time, Unix seconds; 0: left as is
};

inline constexpr qint64 kMovieEpoch = 2082844800; // 1904-01-01 to 1970-01-01, seconds

// The payload of a track header: enabled, in the movie, no picture.
inline QByteArray trackHeader(quint32 trackId, quint32 duration)
{
    QByteArray p;
    putBE32(p, 0x00000003); // enabled, in movie
    putBE32(p, 0);
    putBE32(p, 0);
    putBE32(p, trackId);
    putBE32(p, 0);
    putBE32(p, duration);
    p.append(8, '\0');
    putBE16(p, 0); // layer
    putBE16(p, 0); // alternate group
    putBE16(p, 0); // volume
    putBE16(p, 0);
    for (quint32 m : {0x00010000u, 0u, 0u, 0u, 0x00010000u, 0u, 0u, 0u, 0x40000000u})
        putBE32(p, m);
    putBE32(p, 0); // width
    putBE32(p, 0); // height
    return p;
}

inline QByteArray sampleTrackEntry(const SampleTrackKind &kind)
{
    QByteArray e(6, '\0');
    putBE16(e, 1); // data reference
    if (std::strcmp(kind.format, "tx3g") == 0) {
        putBE32(e, 0);          // display flags
        e.append(2, '\0');      // justification
        putBE32(e, 0);          // background colour
        e.append(8, '\0');      // text box
        putBE16(e, 0);          // style: first character
        putBE16(e, 0);          // last character
        putBE16(e, 1);          // font
        e.append(char(0));      // face
        e.append(char(18));     // size
        putBE32(e, 0xffffffff); // colour
        QByteArray ftab;
        putBE16(ftab, 1);
        putBE16(ftab, 1);
        ftab.append(char(4)).append("Sans");
        e += box("ftab", ftab);
    } else if (std::strcmp(kind.format, "text") == 0) {
        putBE32(e, 0);      // display flags
        putBE32(e, 0);      // justification
        e.append(6, '\0');  // background colour
        e.append(8, '\0');  // text box
        e.append(8, '\0');
        putBE16(e, 0);      // font number
        putBE16(e, 0);      // font face
        e.append(3, '\0');
        e.append(6, char(0xff)); // foreground colour
        e.append(char(0));  // no font name
    }
    QByteArray stsd;
    putBE32(stsd, 0);
    putBE32(stsd, 1);
    return stsd + box(kind.format, e);
}

inline QByteArray handlerPayload(const SampleTrackKind &kind)
{
    QByteArray hdlr;
    putBE32(hdlr, 0);
    hdlr += kind.mov ? "mhlr" : QByteArray(4, '\0');
    hdlr += kind.handler;
    hdlr.append(12, '\0');
    const QByteArray name(kind.name);
    if (kind.mov)
        hdlr += char(name.size()) + name;
    else
        hdlr += name + '\0';
    return hdlr;
}

inline Box sampleTables(const SampleTrackKind &kind, const std::vector<TimedSample> &samples,
                        const QVector<quint32> &chunks)
{
    const quint32 n = quint32(samples.size());
    QByteArray stts, stsc, stsz;
    putBE32(stts, 0);
    if (kind.oneChunk) {
        putBE32(stts, n);
        for (const TimedSample &s : samples) {
            putBE32(stts, 1);
            putBE32(stts, s.duration);
        }
    } else {
        QByteArray runs;
        quint32 count = 0;
        for (size_t i = 0; i < samples.size(); ++i) {
            const quint32 d = samples[i].duration;
            quint32 run = 1;
            while (i + 1 < samples.size() && samples[i + 1].duration == d) {
                ++run;
                ++i;
            }
            putBE32(runs, run);
            putBE32(runs, d);
            ++count;
        }
        putBE32(stts, count);
        stts += runs;
    }
    putBE32(stsc, 0);
    putBE32(stsc, 1);
    for (quint32 v : {1u, kind.oneChunk ? n : 1u, 1u})
        putBE32(stsc, v);
    putBE32(stsz, 0);
    if (kind.uniformSize) {
        putBE32(stsz, samples.empty() ? 0 : quint32(samples.front().bytes.size()));
        putBE32(stsz, n);
    } else {
        putBE32(stsz, 0);
        putBE32(stsz, n);
        for (const TimedSample &s : samples)
            putBE32(stsz, quint32(s.bytes.size()));
    }
    Box stbl{"stbl", {}, {}, true};
    stbl.children.push_back(Box{"stsd", sampleTrackEntry(kind), {}, false});
    stbl.children.push_back(Box{"stts", stts, {}, false});
    stbl.children.push_back(Box{"stsc", stsc, {}, false});
    stbl.children.push_back(Box{"stsz", stsz, {}, false});
    stbl.children.push_back(Box{"stco", stcoPayload(chunks), {}, false});
    return stbl;
}

// The movie with the track added and the samples in a media data box after the movie box.
inline QByteArray withSampleTrack(const QByteArray &base, const SampleTrackKind &kind,
                                  const std::vector<TimedSample> &samples)
{
    TopLevel top = parseFile(base);
    if (top.boxes.back().type != "moov")
        fail("movie box is not last");
    Box &moov = top.boxes.back();
    Box &mvhd = need(moov, "mvhd");
    if (kind.created > 0) {
        setBE32(mvhd.payload, 4, quint32(kind.created + kMovieEpoch));
        setBE32(mvhd.payload, 8, quint32(kind.created + kMovieEpoch));
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
        quint32(qint64(total) * be32(mvhd.payload, 12) / qint64(kind.timescale));

    QByteArray mdhd;
    putBE32(mdhd, 0);
    putBE32(mdhd, 0);
    putBE32(mdhd, 0);
    putBE32(mdhd, kind.timescale);
    putBE32(mdhd, total);
    putBE16(mdhd, 0x55c4); // undetermined language
    putBE16(mdhd, 0);
    QByteArray mediaHeader;
    if (kind.mov || kind.baseMediaHeader) {
        QByteArray gmin;
        putBE32(gmin, 0);
        putBE16(gmin, 0x40);
        gmin.append(10, '\0');
        mediaHeader = box("gmin", gmin);
    } else {
        mediaHeader = QByteArray(4, '\0');
    }
    QByteArray dref;
    putBE32(dref, 0);
    putBE32(dref, 1);
    QByteArray url;
    putBE32(url, 1); // the data is in this file
    dref += box("url ", url);

    const auto build = [&](quint32 dataAt) {
        QVector<quint32> chunks;
        for (const TimedSample &s : samples) {
            if (!kind.oneChunk || chunks.isEmpty())
                chunks << dataAt;
            dataAt += quint32(s.bytes.size());
        }
        Box trak{"trak", {}, {}, true};
        trak.children.push_back(Box{"tkhd", trackHeader(trackId, movieDuration), {}, false});
        Box mdia{"mdia", {}, {}, true};
        mdia.children.push_back(Box{"mdhd", mdhd, {}, false});
        mdia.children.push_back(Box{"hdlr", handlerPayload(kind), {}, false});
        Box minf{"minf", {}, {}, true};
        minf.children.push_back(Box{kind.mov || kind.baseMediaHeader ? "gmhd" : "nmhd",
                                    mediaHeader, {}, false});
        minf.children.push_back(Box{"dinf", box("dref", dref), {}, false});
        minf.children.push_back(sampleTables(kind, samples, chunks));
        mdia.children.push_back(minf);
        trak.children.push_back(mdia);
        return trak;
    };
    std::size_t pos = 0;
    for (std::size_t i = 0; i < moov.children.size(); ++i) {
        if (moov.children[i].type == "trak") {
            pos = i + 1;
            if (kind.afterFirstTrack)
                break;
        }
    }
    if (pos == 0 && kind.afterFirstTrack)
        fail("no track");
    moov.children.insert(moov.children.begin() + long(pos), build(0));
    moov.children[pos] = build(quint32(serialize(top.boxes).size() + 8));
    return serialize(top.boxes) + box("mdat", data);
}

// Samples of one second each.
inline QByteArray withSampleTrack(const QByteArray &base, const SampleTrackKind &kind,
                                  const std::vector<QByteArray> &samples)
{
    std::vector<TimedSample> timed;
    for (const QByteArray &s : samples)
        timed.push_back({s, kind.timescale});
    return withSampleTrack(base, kind, timed);
}

} // namespace fixturekit
