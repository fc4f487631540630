#pragma once
// The small files the tests write and read.
#include <QByteArray>
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
