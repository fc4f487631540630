// MBTiles files checked, read and addressed, without a web page.

#include "mbtilesfixture.h"
#include "mbtiles.h"
#include "tileaddress.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr double kLng = 13.405;
constexpr double kLat = 52.52;

// Drops the table or changes the metadata of a fixture, for the refusals.
bool runSql(const QString &path, const QString &sql)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("edit"));
        db.setDatabaseName(path);
        ok = db.open() && QSqlQuery(db).exec(sql);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("edit"));
    return ok;
}

} // namespace

class TestMbTiles : public QObject
{
    Q_OBJECT

private slots:
    void inspect_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<int>("minZoom");
        QTest::addColumn<int>("maxZoom");
        QTest::newRow("with metadata") << "metadata" << true << 13 << 14;
        QTest::newRow("without metadata: zooms and format from the tiles")
            << "bare" << true << 13 << 14;
        QTest::newRow("zoom metadata unusable: from the tiles") << "badzoom" << true << 13 << 14;
        QTest::newRow("no tiles table") << "notiles" << false << 0 << 0;
        QTest::newRow("tiles table without its columns") << "wrongcolumns" << false << 0 << 0;
        QTest::newRow("no tile at all") << "empty" << false << 0 << 0;
        QTest::newRow("vector tiles") << "pbf" << false << 0 << 0;
        QTest::newRow("not SQLite") << "text" << false << 0 << 0;
        QTest::newRow("SQLite header, then damage") << "damaged" << false << 0 << 0;
        QTest::newRow("missing file") << "missing" << false << 0 << 0;
        QTest::newRow("a folder") << "folder" << false << 0 << 0;
    }

    void inspect()
    {
        QFETCH(QString, kind);
        QFETCH(bool, usable);
        QFETCH(int, minZoom);
        QFETCH(int, maxZoom);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QString path = dir.filePath("map.mbtiles");
        const bool metadata = kind != "bare";
        if (kind != "text" && kind != "damaged" && kind != "missing" && kind != "folder")
            QVERIFY(tilefixture::writeMbTiles(path, {13, 14}, kLng, kLat, 1, metadata));
        if (kind == "badzoom")
            QVERIFY(runSql(path, "UPDATE metadata SET value = '40' WHERE name = 'maxzoom'"));
        if (kind == "notiles")
            QVERIFY(runSql(path, "DROP TABLE tiles"));
        if (kind == "wrongcolumns") {
            QVERIFY(runSql(path, "DROP TABLE tiles"));
            QVERIFY(runSql(path, "CREATE TABLE tiles (z INTEGER, data BLOB)"));
        }
        if (kind == "empty")
            QVERIFY(runSql(path, "DELETE FROM tiles"));
        if (kind == "pbf")
            QVERIFY(runSql(path, "UPDATE metadata SET value = 'pbf' WHERE name = 'format'"));
        if (kind == "text" || kind == "damaged") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (kind == "damaged")
                file.write(QByteArray("SQLite format 3", 16));
            file.write(QByteArray(4096, '\x5a'));
        }
        if (kind == "folder")
            path = dir.path();
        const QByteArray before = QFileInfo(path).isFile() ? [&] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }() : QByteArray();

        const MbTilesInfo info = inspectMbTiles(path);
        QCOMPARE(info.ok, usable);
        QCOMPARE(info.problem.isEmpty(), usable);
        if (usable) {
            QCOMPARE(info.format, QStringLiteral("png"));
            QCOMPARE(info.minZoom, minZoom);
            QCOMPARE(info.maxZoom, maxZoom);
            QVERIFY(info.west < kLng && kLng < info.east);
            QVERIFY(info.south < kLat && kLat < info.north);
            if (!metadata)
                QCOMPARE(info.west, -180.0);
        }
        // Looked at, never changed or made.
        QCOMPARE(QFileInfo(path).exists(), kind != "missing");
        if (QFileInfo(path).isFile()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), before);
        }
    }

    // Rows run from the north on the map and from the south in the file.
    void readerTurnsRows()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("map.mbtiles");
        QVERIFY(tilefixture::writeMbTiles(path, {13, 14}, kLng, kLat, 1));
        const QByteArray jpeg = tilefixture::tileImage(Qt::blue, "JPG");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "jpeg");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.prepare("INSERT INTO tiles VALUES (2, 1, 0, ?)"));
            q.addBindValue(jpeg);
            QVERIFY(q.exec());
        }
        QSqlDatabase::removeDatabase("jpeg");

        MbTilesReader reader(path);
        QVERIFY(reader.isOpen());
        QCOMPARE(reader.tile(2, 1, 3), jpeg); // the file's row 0 is the map's southern row
        QVERIFY(reader.tile(2, 1, 0).isEmpty());
        const int c = int(tilefixture::columnOf(kLng, 14)), r = int(tilefixture::rowOf(kLat, 14));
        QCOMPARE(tileMimeType(reader.tile(14, c + 1, r - 1)), QByteArray("image/png"));
        QVERIFY(reader.tile(14, c + 2, r).isEmpty());
        QVERIFY(reader.tile(14, -1, r).isEmpty());
        QVERIFY(reader.tile(2, 4, 0).isEmpty());
        QVERIFY(reader.tile(31, 0, 0).isEmpty());

        MbTilesReader missing(dir.filePath("none.mbtiles"));
        QVERIFY(missing.tile(2, 1, 3).isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath("none.mbtiles")));
    }

    void mimeTypes_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("mime");
        QTest::newRow("png") << tilefixture::tileImage(Qt::red, "PNG") << QByteArray("image/png");
        QTest::newRow("jpeg") << tilefixture::tileImage(Qt::red, "JPG") << QByteArray("image/jpeg");
        QTest::newRow("webp") << QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16) << QByteArray("image/webp");
        QTest::newRow("RIFF but not WebP") << QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16) << QByteArray();
        QTest::newRow("gzip (vector)") << QByteArray("\x1f\x8b\x08\0", 4) << QByteArray();
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }

    void mimeTypes()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, mime);
        QCOMPARE(tileMimeType(data), mime);
    }

    void tileUrls_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("z");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("world") << "qmarl-tiles:/0/0/0" << true << 0 << 0 << 0;
        QTest::newRow("street") << "qmarl-tiles:/14/8802/5373" << true << 14 << 8802 << 5373;
        QTest::newRow("deepest") << "qmarl-tiles:/30/1073741823/0" << true << 30 << 1073741823 << 0;
        QTest::newRow("too deep") << "qmarl-tiles:/31/0/0" << false << 0 << 0 << 0;
        QTest::newRow("column outside its zoom") << "qmarl-tiles:/1/2/0" << false << 0 << 0 << 0;
        QTest::newRow("row outside its zoom") << "qmarl-tiles:/3/0/8" << false << 0 << 0 << 0;
        QTest::newRow("other scheme") << "https:/1/0/0" << false << 0 << 0 << 0;
        QTest::newRow("with a host") << "qmarl-tiles://host/1/0/0" << false << 0 << 0 << 0;
        QTest::newRow("with a query") << "qmarl-tiles:/1/0/0?z=1" << false << 0 << 0 << 0;
        QTest::newRow("the file's version") << "qmarl-tiles:/14/8802/5373?v=0" << true << 14 << 8802 << 5373;
        QTest::newRow("the largest version") << "qmarl-tiles:/1/0/0?v=999999999" << true << 1 << 0 << 0;
        QTest::newRow("a version too long") << "qmarl-tiles:/1/0/0?v=1000000000" << false << 0 << 0 << 0;
        QTest::newRow("an empty version") << "qmarl-tiles:/1/0/0?v=" << false << 0 << 0 << 0;
        QTest::newRow("a version and more") << "qmarl-tiles:/1/0/0?v=1&v=2" << false << 0 << 0 << 0;
        QTest::newRow("a signed version") << "qmarl-tiles:/1/0/0?v=-1" << false << 0 << 0 << 0;
        QTest::newRow("with a fragment") << "qmarl-tiles:/1/0/0#a" << false << 0 << 0 << 0;
        QTest::newRow("two numbers") << "qmarl-tiles:/1/0" << false << 0 << 0 << 0;
        QTest::newRow("four numbers") << "qmarl-tiles:/1/0/0/0" << false << 0 << 0 << 0;
        QTest::newRow("an extension") << "qmarl-tiles:/1/0/0.png" << false << 0 << 0 << 0;
        QTest::newRow("negative") << "qmarl-tiles:/1/-1/0" << false << 0 << 0 << 0;
        QTest::newRow("signed") << "qmarl-tiles:/1/+1/0" << false << 0 << 0 << 0;
        QTest::newRow("SQL") << "qmarl-tiles:/1/0/0;DROP TABLE tiles" << false << 0 << 0 << 0;
        QTest::newRow("quote") << "qmarl-tiles:/1/0/0'" << false << 0 << 0 << 0;
        QTest::newRow("encoded digit: the same address") << "qmarl-tiles:/1/0/%31" << true << 1 << 0 << 1;
        QTest::newRow("encoded slash") << "qmarl-tiles:/1/0%2F0/0" << false << 0 << 0 << 0;
        QTest::newRow("empty part") << "qmarl-tiles:/1//0" << false << 0 << 0 << 0;
        QTest::newRow("dot parts") << "qmarl-tiles:/../1/0/0" << false << 0 << 0 << 0;
        QTest::newRow("overlong number") << "qmarl-tiles:/1/0/00000000001" << false << 0 << 0 << 0;
        QTest::newRow("huge number") << "qmarl-tiles:/1/0/99999999999999999999" << false << 0 << 0 << 0;
        QTest::newRow("no path") << "qmarl-tiles:" << false << 0 << 0 << 0;
        QTest::newRow("template left in") << "qmarl-tiles:/{z}/{x}/{y}" << false << 0 << 0 << 0;
    }

    void tileUrls()
    {
        QFETCH(QString, url);
        QFETCH(bool, accepted);
        const std::optional<TileAddress> tile = parseTileUrl(QUrl(url));
        QCOMPARE(tile.has_value(), accepted);
        if (accepted) {
            QFETCH(int, z);
            QFETCH(int, x);
            QFETCH(int, y);
            QCOMPARE(tile->zoom, z);
            QCOMPARE(tile->column, x);
            QCOMPARE(tile->row, y);
        }
    }
};

QTEST_MAIN(TestMbTiles)
#include "tst_mbtiles.moc"
