#pragma once

// MBTiles files made at test time: plain tiles of one colour per zoom level, each with a black
// square near its north-west corner, so that a picture shows which level drew it and whether
// rows run the right way. Shared with the benchmark.

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVector>

#include <cmath>

namespace tilefixture {

constexpr int kTileSize = 256;
// The mark: a black square from 16 to 48 pixels from the tile's north-west corner.
constexpr int kMarkFrom = 16;
constexpr int kMarkTo = 48;

// Web Mercator tile numbers (fractional) of a place, and back.
inline double columnOf(double lng, int zoom)
{
    return (lng + 180.0) / 360.0 * std::ldexp(1.0, zoom);
}

inline double rowOf(double lat, int zoom)
{
    const double r = lat * M_PI / 180.0;
    return (1.0 - std::log(std::tan(r) + 1.0 / std::cos(r)) / M_PI) / 2.0 * std::ldexp(1.0, zoom);
}

inline double lngOf(double column, int zoom)
{
    return column / std::ldexp(1.0, zoom) * 360.0 - 180.0;
}

inline double latOf(double row, int zoom)
{
    const double n = M_PI - 2.0 * M_PI * row / std::ldexp(1.0, zoom);
    return 180.0 / M_PI * std::atan(std::sinh(n));
}

inline QColor colourOf(int zoom)
{
    return zoom % 2 ? QColor(210, 50, 50) : QColor(230, 200, 40);
}

inline QByteArray tileImage(const QColor &colour, const char *format = "PNG")
{
    QImage image(kTileSize, kTileSize, QImage::Format_RGB32);
    image.fill(colour);
    QPainter painter(&image);
    painter.fillRect(kMarkFrom, kMarkFrom, kMarkTo - kMarkFrom, kMarkTo - kMarkFrom, Qt::black);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

struct Block
{
    int zoom;
    int column0, row0, columns, rows; // rows from the north
};

// The tiles of `radius` around the place at each zoom, with metadata (format, zooms, bounds of
// the lowest zoom's block) unless told not to. A zoom's tiles take the colour of zoom +
// colourShift. False when SQLite refused.
inline bool writeMbTiles(const QString &path, const QVector<int> &zooms, double lng, double lat,
                         int radius, bool withMetadata = true, int colourShift = 0)
{
    const QString name = QStringLiteral("fixture-") + path;
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery q(db);
        ok = ok && q.exec(QStringLiteral("CREATE TABLE tiles (zoom_level INTEGER, tile_column "
                                         "INTEGER, tile_row INTEGER, tile_data BLOB)"));
        ok = ok && q.exec(QStringLiteral("CREATE UNIQUE INDEX tile_index ON tiles "
                                         "(zoom_level, tile_column, tile_row)"));
        ok = ok && db.transaction();
        ok = ok && q.prepare(QStringLiteral("INSERT INTO tiles VALUES (?, ?, ?, ?)"));
        double west = 0, south = 0, east = 0, north = 0;
        for (int zoom : zooms) {
            const QByteArray data = tileImage(colourOf(zoom + colourShift));
            const int c = int(columnOf(lng, zoom)), r = int(rowOf(lat, zoom));
            for (int x = c - radius; x <= c + radius && ok; ++x)
                for (int y = r - radius; y <= r + radius && ok; ++y) {
                    q.addBindValue(zoom);
                    q.addBindValue(x);
                    q.addBindValue((1 << zoom) - 1 - y); // rows from the south in the file
                    q.addBindValue(data);
                    ok = q.exec();
                }
            if (zoom == zooms.first()) {
                west = lngOf(c - radius, zoom);
                east = lngOf(c + radius + 1, zoom);
                north = latOf(r - radius, zoom);
                south = latOf(r + radius + 1, zoom);
            }
        }
        if (withMetadata) {
            ok = ok && q.exec(QStringLiteral("CREATE TABLE metadata (name TEXT, value TEXT)"));
            ok = ok && q.prepare(QStringLiteral("INSERT INTO metadata VALUES (?, ?)"));
            const QList<QPair<QString, QString>> rows = {
                {"name", "fixture"},
                {"format", "png"},
                {"minzoom", QString::number(zooms.first())},
                {"maxzoom", QString::number(zooms.last())},
                {"bounds", QStringLiteral("%1,%2,%3,%4")
                               .arg(west, 0, 'f', 8)
                               .arg(south, 0, 'f', 8)
                               .arg(east, 0, 'f', 8)
                               .arg(north, 0, 'f', 8)}};
            for (const auto &row : rows) {
                q.addBindValue(row.first);
                q.addBindValue(row.second);
                ok = ok && q.exec();
            }
        }
        ok = db.commit() && ok;
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

} // namespace tilefixture
