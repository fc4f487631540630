#include "translation.h"

#include <QCoreApplication>
#include <QFile>
#include <QXmlStreamReader>
#include <QtTest>

class TestTranslation : public QObject
{
    Q_OBJECT

private:
    struct Entry
    {
        QString source;
        QString translation;
    };

    static QVector<Entry> catalogueSource(const QString &name)
    {
        QFile file(QStringLiteral(QMARL_SOURCE_DIR "/resources/translations/") + name + ".ts");
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QVector<Entry> entries;
        QXmlStreamReader xml(&file);
        Entry entry;
        while (xml.readNextStartElement() || !xml.atEnd()) {
            if (xml.isStartElement() && xml.name() == QLatin1String("source"))
                entry.source = xml.readElementText();
            else if (xml.isStartElement() && xml.name() == QLatin1String("translation")) {
                entry.translation = xml.readElementText();
                entries.append(entry);
            } else if (!xml.isStartElement())
                xml.readNext();
        }
        return entries;
    }

private slots:
    void cleanup() { QCoreApplication::removeTranslator(&g_translator); }

    // An unknown language falls back to English; a catalogue loaded before must not leak into
    // a language without one.
    void loadTranslationFallsBack()
    {
        int language = 3;
        ::loadTranslation(language);
        language = 2;
        QTest::ignoreMessage(QtWarningMsg, "load translate false");
        ::loadTranslation(language);
        QVERIFY(g_translator.isEmpty());
        language = 5; // the first past the end
        QTest::ignoreMessage(QtWarningMsg, "load translate true");
        QCOMPARE(::loadTranslation(language), QStringLiteral(":/translate/tr_en_US"));
        QCOMPARE(language, 1);
    }

    // Every entry of every catalogue survives compilation and applies in any context.
    void cataloguesTranslateEveryEntry_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("name");
        QTest::newRow("english") << 1 << "tr_en_US";
        QTest::newRow("japanese") << 0 << "tr_ja_JA";
        QTest::newRow("russian") << 3 << "tr_ru_RU";
        QTest::newRow("vietnamese") << 4 << "tr_vi_VN";
    }

    void cataloguesTranslateEveryEntry()
    {
        QFETCH(int, language);
        QFETCH(QString, name);
        const QVector<Entry> entries = catalogueSource(name);
        // Every catalogue holds what the English one holds.
        QVERIFY(!entries.isEmpty());
        QCOMPARE(entries.size(), catalogueSource(QStringLiteral("tr_en_US")).size());
        QTest::ignoreMessage(QtWarningMsg, "load translate true");
        ::loadTranslation(language);
        QCoreApplication::installTranslator(&g_translator);
        for (const Entry &entry : entries) {
            const QByteArray source = entry.source.toUtf8();
            for (const char *context : {"KestroMainWidget", "LuAppSettingDialog", ""})
                QCOMPARE(QCoreApplication::translate(context, source.constData()),
                         entry.translation);
        }
    }

};

QTEST_GUILESS_MAIN(TestTranslation)
#include "tst_translation.moc"
