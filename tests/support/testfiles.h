#pragma once
// The small files the tests write and read.
#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

// Writes the bytes at the path, making its folder: no test can go on without its file.
inline QString writeBytes(const QString &path, const QByteArray &bytes = QByteArray())
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// A file's bytes, or what the caller gives for a file that is not there.
inline QByteArray readBytes(const QString &path, const QByteArray &ifMissing = QByteArray())
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : ifMissing;
}

// A phone's GPX track going north from 22.5° N along 114° E, a thousandth of a degree a second,
// for the seconds from..to-1 after the start.
inline QByteArray phoneGpx(const QDateTime &startUtc, int from, int to)
{
    QByteArray gpx = "<gpx version=\"1.1\"><trk><trkseg>\n";
    for (int s = from; s < to; ++s)
        gpx += QStringLiteral("<trkpt lat=\"%1\" lon=\"114\"><time>%2</time></trkpt>\n")
                   .arg(22.5 + s * 0.001, 0, 'f', 6)
                   .arg(startUtc.addSecs(s).toString(Qt::ISODate))
                   .toUtf8();
    return gpx + "</trkseg></trk></gpx>\n";
}
