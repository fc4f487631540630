#include "mbtiles.h"

#include "offlinemaplog.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <cmath>

namespace {
namespace mbtiles {

// Web Mercator ends here; a file's bounds beyond it are cut back to it.
constexpr double kMaxLatitude = 85.0511287798;
// Deeper than any tile set in use; zoom levels past it are refused rather than shifted into
// overflow.
constexpr int kMaxZoom = 30;
constexpr char kSqliteMagic[] = "SQLite format 3";

QAtomicInt s_connections;

QString tr(const char *text)
{
    return QCoreApplication::translate("MbTiles", text);
}

// A connection of its own, read-only, so that the file is never created or changed.
QSqlDatabase openReadOnly(const QString &path, const QString &name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    db.setDatabaseName(path);
    db.open();
    return db;
}

QString nextConnectionName()
{
    return QStringLiteral("qmarl-mbtiles-%1").arg(s_connections.fetchAndAddRelaxed(1));
}

bool startsAsSqlite(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(sizeof kSqliteMagic);
    return head == QByteArray(kSqliteMagic, sizeof kSqliteMagic);
}

QString formatName(const QString &metadataFormat, const QByteArray &sample)
{
    const QString format = metadataFormat.trimmed().toLower();
    if (format == QLatin1String("png") || format == QLatin1String("webp"))
        return format;
    if (format == QLatin1String("jpg") || format == QLatin1String("jpeg"))
        return QStringLiteral("jpg");
    if (!format.isEmpty())
        return QString(); // vector tiles ("pbf") and the like
    const QByteArray mime = tileMimeType(sample);
    if (mime == "image/png")
        return QStringLiteral("png");
    if (mime == "image/jpeg")
        return QStringLiteral("jpg");
    if (mime == "image/webp")
        return QStringLiteral("webp");
    return QString();
}

void readBounds(const QString &text, MbTilesInfo *info)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts.at(i).trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v[i]))
            return;
    }
    const double west = qBound(-180.0, v[0], 180.0);
    const double east = qBound(-180.0, v[2], 180.0);
    const double south = qBound(-kMaxLatitude, v[1], kMaxLatitude);
    const double north = qBound(-kMaxLatitude, v[3], kMaxLatitude);
    if (!(west < east) || !(south < north)) {
        qCWarning(lcOfflineMap) << "bounds" << text << "ignored: they enclose nothing";
        return;
    }
    info->west = west;
    info->south = south;
    info->east = east;
    info->north = north;
}

// The zoom range from the metadata when it names a sound one, else from the tiles themselves.
bool readZooms(QSqlDatabase &db, const QString &minText, const QString &maxText,
               MbTilesInfo *info)
{
    bool minOk = false, maxOk = false;
    const int minZoom = minText.trimmed().toInt(&minOk);
    const int maxZoom = maxText.trimmed().toInt(&maxOk);
    if (minOk && maxOk && minZoom >= 0 && minZoom <= maxZoom && maxZoom <= kMaxZoom) {
        info->minZoom = minZoom;
        info->maxZoom = maxZoom;
        return true;
    }
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT MIN(zoom_level), MAX(zoom_level) FROM tiles")) ||
        !query.next())
        return false;
    info->minZoom = qBound(0, query.value(0).toInt(), kMaxZoom);
    info->maxZoom = qBound(info->minZoom, query.value(1).toInt(), kMaxZoom);
    return true;
}

MbTilesInfo inspectOpen(QSqlDatabase &db)
{
    MbTilesInfo info;
    QByteArray sample;
    {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral(
                "SELECT zoom_level, tile_column, tile_row, tile_data FROM tiles LIMIT 1"))) {
            qCWarning(lcOfflineMap) << "no tiles table:" << query.lastError().text();
            // SQLITE_NOTADB and SQLITE_CORRUPT: the file itself is broken, not merely foreign.
            const QString code = query.lastError().nativeErrorCode();
            info.problem = code == QLatin1String("26") || code == QLatin1String("11")
                               ? tr("The file is damaged or not an SQLite database.")
                               : tr("The file holds no map tiles (no \"tiles\" table).");
            return info;
        }
        if (!query.next()) {
            info.problem = tr("The file's tile table is empty.");
            return info;
        }
        sample = query.value(3).toByteArray();
    }
    QString format, minText, maxText, bounds;
    {
        // The metadata table is optional: without it the tiles tell what they can.
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("SELECT name, value FROM metadata"))) {
            while (query.next()) {
                const QString name = query.value(0).toString().trimmed().toLower();
                const QString value = query.value(1).toString();
                if (name == QLatin1String("format"))
                    format = value;
                else if (name == QLatin1String("minzoom"))
                    minText = value;
                else if (name == QLatin1String("maxzoom"))
                    maxText = value;
                else if (name == QLatin1String("bounds"))
                    bounds = value;
            }
        }
    }
    info.format = formatName(format, sample);
    if (info.format.isEmpty()) {
        info.problem = tr("The file's tiles are not PNG, JPEG or WebP pictures.");
        return info;
    }
    if (!readZooms(db, minText, maxText, &info)) {
        info.problem = tr("The file's zoom levels cannot be read.");
        return info;
    }
    readBounds(bounds, &info);
    info.ok = true;
    return info;
}

} // namespace mbtiles
} // namespace

QByteArray tileMimeType(const QByteArray &data)
{
    if (data.startsWith("\x89PNG\r\n\x1a\n"))
        return QByteArrayLiteral("image/png");
    if (data.startsWith("\xff\xd8\xff"))
        return QByteArrayLiteral("image/jpeg");
    if (data.size() >= 12 && data.startsWith("RIFF") && data.mid(8, 4) == "WEBP")
        return QByteArrayLiteral("image/webp");
    return QByteArray();
}

MbTilesInfo inspectMbTiles(const QString &path)
{
    using namespace mbtiles;
    MbTilesInfo info;
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        info.problem = tr("The file does not exist.");
        return info;
    }
    // SQLite opens any file and fails only at the first query; a plain look at the header says
    // what is wrong more clearly.
    if (!startsAsSqlite(path)) {
        info.problem = tr("The file is not an MBTiles file (not an SQLite database).");
        return info;
    }
    const QString name = nextConnectionName();
    {
        QSqlDatabase db = openReadOnly(path, name);
        if (!db.isOpen()) {
            qCWarning(lcOfflineMap) << "cannot open" << path << db.lastError().text();
            info.problem = tr("The file cannot be opened.");
        } else {
            info = inspectOpen(db);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!info.ok)
        qCWarning(lcOfflineMap) << "refused" << path << ":" << info.problem;
    return info;
}

MbTilesReader::MbTilesReader(const QString &path) : m_path(path)
{
    using namespace mbtiles;
    m_connection = nextConnectionName();
    QSqlDatabase db = openReadOnly(path, m_connection);
    if (!db.isOpen()) {
        qCWarning(lcOfflineMap) << "cannot open" << path << db.lastError().text();
        return;
    }
    m_query = std::make_unique<QSqlQuery>(db);
    m_query->setForwardOnly(true);
    m_open = m_query->prepare(
        QStringLiteral("SELECT tile_data FROM tiles WHERE zoom_level = ? AND tile_column = ? "
                       "AND tile_row = ?"));
    if (!m_open)
        qCWarning(lcOfflineMap) << "cannot read tiles from" << path
                                << m_query->lastError().text();
}

MbTilesReader::~MbTilesReader()
{
    m_query.reset();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

QByteArray MbTilesReader::tile(int zoom, int column, int row)
{
    using namespace mbtiles;
    if (!m_open || zoom < 0 || zoom > kMaxZoom)
        return QByteArray();
    const qint64 side = qint64(1) << zoom;
    if (column < 0 || row < 0 || column >= side || row >= side)
        return QByteArray();
    // MBTiles numbers rows from the south (TMS), the map from the north.
    m_query->bindValue(0, zoom);
    m_query->bindValue(1, column);
    m_query->bindValue(2, side - 1 - row);
    if (!m_query->exec()) {
        qCWarning(lcOfflineMap) << "tile read failed:" << m_query->lastError().text();
        return QByteArray();
    }
    QByteArray data = m_query->next() ? m_query->value(0).toByteArray() : QByteArray();
    m_query->finish();
    return data;
}
