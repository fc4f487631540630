#pragma once
// A track of timed samples added to a recording made by ffmpeg: its own sample tables in the
// movie box, its samples in a second "mdat" after the movie box, one a second.
#include "fixturekit.h"

#include <cstring>

namespace fixturekit {

struct SampleTrackKind
{
    const char *handler; // "text", "sbtl", "meta"
    const char *format;  // "tx3g", "text", "gpmd"
    bool mov;            // QuickTime media header
};

inline QByteArray sampleTrackTkhd(quint32 trackId, quint32 duration)
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

inline QByteArray withSampleTrack(const QByteArray &base, const SampleTrackKind &kind,
                           const std::vector<QByteArray> &samples)
{
    TopLevel top = parseFile(base);
    if (top.boxes.back().type != "moov")
        fail("movie box is not last");
    Box &moov = top.boxes.back();
    Box &mvhd = need(moov, "mvhd");
    const quint32 trackId = be32(mvhd.payload, 96);
    setBE32(mvhd.payload, 96, trackId + 1);
    const quint32 movieScale = be32(mvhd.payload, 12);
    const quint32 n = quint32(samples.size());

    QByteArray mdhd;
    putBE32(mdhd, 0);
    putBE32(mdhd, 0);
    putBE32(mdhd, 0);
    putBE32(mdhd, 1000);
    putBE32(mdhd, n * 1000);
    putBE16(mdhd, 0x55c4);
    putBE16(mdhd, 0);
    QByteArray hdlr;
    putBE32(hdlr, 0);
    hdlr += kind.mov ? "mhlr" : QByteArray(4, '\0');
    hdlr += kind.handler;
    hdlr.append(12, '\0');
    hdlr += kind.mov ? QByteArray("\x09GPS track", 10) : QByteArray("GPS track", 10);
    QByteArray mediaHeader;
    if (kind.mov) {
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
    putBE32(url, 1);
    dref += box("url ", url);
    QByteArray stts, stsc, stsz;
    putBE32(stts, 0);
    putBE32(stts, 1);
    putBE32(stts, n);
    putBE32(stts, 1000);
    putBE32(stsc, 0);
    putBE32(stsc, 1);
    for (quint32 v : {1u, 1u, 1u})
        putBE32(stsc, v);
    putBE32(stsz, 0);
    putBE32(stsz, 0);
    putBE32(stsz, n);
    for (const QByteArray &s : samples)
        putBE32(stsz, quint32(s.size()));

    const auto build = [&](const QVector<quint32> &offsets) {
        Box trak{"trak", {}, {}, true};
        trak.children.push_back(Box{"tkhd", sampleTrackTkhd(trackId, n * movieScale), {}, false});
        Box mdia{"mdia", {}, {}, true};
        mdia.children.push_back(Box{"mdhd", mdhd, {}, false});
        mdia.children.push_back(Box{"hdlr", hdlr, {}, false});
        Box minf{"minf", {}, {}, true};
        minf.children.push_back(Box{kind.mov ? "gmhd" : "nmhd", mediaHeader, {}, false});
        minf.children.push_back(Box{"dinf", box("dref", dref), {}, false});
        Box stbl{"stbl", {}, {}, true};
        stbl.children.push_back(Box{"stsd", sampleTrackEntry(kind), {}, false});
        stbl.children.push_back(Box{"stts", stts, {}, false});
        stbl.children.push_back(Box{"stsc", stsc, {}, false});
        stbl.children.push_back(Box{"stsz", stsz, {}, false});
        stbl.children.push_back(Box{"stco", stcoPayload(offsets), {}, false});
        minf.children.push_back(stbl);
        mdia.children.push_back(minf);
        trak.children.push_back(mdia);
        return trak;
    };
    // After the last track.
    std::size_t pos = 0;
    for (std::size_t i = 0; i < moov.children.size(); ++i)
        if (moov.children[i].type == "trak")
            pos = i + 1;
    moov.children.insert(moov.children.begin() + long(pos), build(QVector<quint32>(int(n), 0)));
    qint64 at = serialize(top.boxes).size() + 8;
    QVector<quint32> offsets;
    QByteArray data;
    for (const QByteArray &s : samples) {
        offsets << quint32(at);
        at += s.size();
        data += s;
    }
    moov.children[pos] = build(offsets);
    return serialize(top.boxes) + box("mdat", data);
}

} // namespace fixturekit
