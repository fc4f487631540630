#pragma once

#include <QByteArray>
#include <QUrl>

#include <optional>

// The pages ask for the offline map's tiles as qmarl-tiles:/{z}/{x}/{y}, rows from the north,
// with ?v= and the page's version of the file after it.
inline const QByteArray kTileScheme = QByteArrayLiteral("qmarl-tiles");

struct TileAddress
{
    int zoom = 0;
    int column = 0;
    int row = 0;
};

// The tile a URL names, or none for anything outside the pattern: another scheme, a host, a
// query other than the version, extra parts, numbers with signs or leading junk, or a tile outside its zoom level.
std::optional<TileAddress> parseTileUrl(const QUrl &url);
