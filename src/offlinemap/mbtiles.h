#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QSqlQuery;

// What an MBTiles file offers the map: which zoom levels it holds, where, and in which picture
// format. ok is false for a file the map cannot use, with problem saying why in words.
struct MbTilesInfo
{
    bool ok = false;
    QString problem;
    QString format; // "png", "jpg" or "webp"
    int minZoom = 0;
    int maxZoom = 0;
    // West, south, east, north in degrees; the whole world when the file names none.
    double west = -180.0;
    double south = -85.0511287798;
    double east = 180.0;
    double north = 85.0511287798;
};

// Opens the file read-only and checks it is an MBTiles file of raster tiles.
MbTilesInfo inspectMbTiles(const QString &path);

// The picture type of a tile's bytes ("image/png", …), or an empty text for none we serve.
QByteArray tileMimeType(const QByteArray &data);

// One read-only connection to an MBTiles file, for the thread that made it: SQLite connections
// are not shared between threads, so each reading thread holds its own.
class MbTilesReader
{
public:
    explicit MbTilesReader(const QString &path);
    ~MbTilesReader();
    MbTilesReader(const MbTilesReader &) = delete;
    MbTilesReader &operator=(const MbTilesReader &) = delete;

    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }

    // The tile in the map's own numbering (rows from the north); empty when the file has none
    // there or cannot be read.
    QByteArray tile(int zoom, int column, int row);

private:
    QString m_path;
    QString m_connection;
    std::unique_ptr<QSqlQuery> m_query; // goes before the connection is removed
    bool m_open = false;
};
