// Every picture the interface names in its sources and forms is in the resource tree and draws
// something: a missing or broken file shows as an empty button.
#include <QDirIterator>
#include <QFile>
#include <QPixmap>
#include <QRegularExpression>
#include <QtTest>

class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    void namedPicturesResolve()
    {
        const QRegularExpression named(QStringLiteral(":/images/images/[A-Za-z0-9_]+\\.png"));
        QSet<QString> files;
        QDirIterator it(QStringLiteral(QMARL_SOURCE_DIR "/src"),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.ui")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile source(it.next());
            QVERIFY(source.open(QIODevice::ReadOnly));
            auto matches = named.globalMatch(QString::fromUtf8(source.readAll()));
            while (matches.hasNext())
                files << matches.next().captured();
        }
        QVERIFY2(files.size() > 50, qPrintable(QString::number(files.size())));
        for (const QString &file : qAsConst(files)) {
            const QImage image =
                QPixmap(file).toImage().convertToFormat(QImage::Format_ARGB32);
            QVERIFY2(!image.isNull(), qPrintable(file));
            // A picture converted from a broken source comes out fully transparent.
            bool drawn = false;
            for (int y = 0; y < image.height() && !drawn; ++y)
                for (int x = 0; x < image.width() && !drawn; ++x)
                    drawn = qAlpha(image.pixel(x, y)) > 0;
            QVERIFY2(drawn, qPrintable(file));
        }
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
