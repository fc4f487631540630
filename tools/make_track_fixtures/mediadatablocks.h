#pragma once
#include "fixturekit.h"

namespace fixturekit {

// The base recording (movie box last) with the blocks inside its media data, spread evenly among
// the samples of all tracks; the chunk tables follow the samples, so the recording still plays.
// aligned starts every block on a 32 KiB boundary of the file, as the cameras do; otherwise a
// block starts anywhere, at least spacing bytes after the previous one (ExifTool's scan reads
// 32 KiB ahead for every block it finds: denser blocks would run it out of file).
constexpr qint64 kMinSpacing = 0x8000 + 0x300;
QByteArray withBlocksInMediaData(const QByteArray &base, const std::vector<QByteArray> &blocks,
                                 bool aligned, qint64 spacing = kMinSpacing);

} // namespace fixturekit
