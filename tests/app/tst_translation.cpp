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

    void loadTranslation_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("languageAfter");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QString>("stop");
        QTest::newRow("japanese") << 0 << ":/translate/tr_ja_JA" << 0 << true << "停止";
        QTest::newRow("english") << 1 << ":/translate/tr_en_US" << 1 << true << "Stop";
        QTest::newRow("chinese has no catalogue")
            << 2 << ":/translate/tr_zh_CN" << 2 << false << "停止";
        QTest::newRow("russian") << 3 << ":/translate/tr_ru_RU" << 3 << true << "Стоп";
        QTest::newRow("vietnamese") << 4 << ":/translate/tr_vi_VN" << 4 << true << "Dừng lại";
        QTest::newRow("5 falls back to english") << 5 << ":/translate/tr_en_US" << 1 << true
                                                 << "Stop";
        QTest::newRow("7 falls back to english") << 7 << ":/translate/tr_en_US" << 1 << true
                                                 << "Stop";
        QTest::newRow("negative falls back to english")
            << -1 << ":/translate/tr_en_US" << 1 << true << "Stop";
    }

    void loadTranslation()
    {
        QFETCH(int, language);
        QFETCH(QString, path);
        QFETCH(int, languageAfter);
        QFETCH(bool, loaded);
        QFETCH(QString, stop);

        // A catalogue loaded before must not leak into a language whose load fails.
        int russian = 3;
        ::loadTranslation(russian);

        QTest::ignoreMessage(QtWarningMsg, loaded ? "load translate true" : "load translate false");
        QCOMPARE(::loadTranslation(language), path);
        QCOMPARE(language, languageAfter);
        QCOMPARE(g_translator.isEmpty(), !loaded);
        QCoreApplication::installTranslator(&g_translator);
        QCOMPARE(QCoreApplication::translate("KestroMainWidget", "停止"), stop);
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
        QCOMPARE(entries.size(), 53);
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

    void spotChecks_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("shown");
        QTest::newRow("en html") << 1 << "<html><head/><body><p>静音</p></body></html>"
                                 << "<html><head/><body><p>Mute</p></body></html>";
        QTest::newRow("en keep size") << 1 << "保持画面比例" << "Keep Original Size";
        QTest::newRow("en English unchanged") << 1 << "English" << "English";
        QTest::newRow("ja English") << 0 << "English" << "英語";
        QTest::newRow("ja Ok") << 0 << "Ok" << "OK";
        QTest::newRow("ru OpenStreetMap") << 3 << "OpenStreetMap" << "Карты Улиц";
        QTest::newRow("ru clear list unchanged")
            << 3 << "确定要清空文件列表？" << "确定要清空文件列表？";
        QTest::newRow("vi clear list") << 4 << "确定要清空文件列表？"
                                       << "Bạn có chắc chắn muốn xóa danh sách tập tin?";
        QTest::newRow("vi map colon") << 4 << "地图选择：" << "Bản đồ:";
        QTest::newRow("zh source") << 2 << "最大速度" << "最大速度";
        QTest::newRow("unknown text") << 1 << "不存在的文本" << "不存在的文本";
    }

    void spotChecks()
    {
        QFETCH(int, language);
        QFETCH(QString, source);
        QFETCH(QString, shown);
        QTest::ignoreMessage(QtWarningMsg, language == 2 ? "load translate false"
                                                         : "load translate true");
        ::loadTranslation(language);
        QCoreApplication::installTranslator(&g_translator);
        QCOMPARE(QCoreApplication::translate("AnyContext", source.toUtf8().constData()), shown);
    }
};

QTEST_GUILESS_MAIN(TestTranslation)
#include "tst_translation.moc"
