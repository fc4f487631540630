#include "processenvironment.h"

#include <QCoreApplication>
#include <QtTest>

#include <clocale>

// Run under LC_ALL=de_DE.UTF-8: the application object takes the user's locale, with a decimal
// comma, and the program must put the numeric part back to "C" for libmpv.
class TestNumericLocale : public QObject
{
    Q_OBJECT

private slots:
    void numericLocaleIsC()
    {
        const QByteArray before = std::setlocale(LC_NUMERIC, nullptr);
        QVERIFY2(before.startsWith("de_DE"),
                 "the German test locale is not in effect; the check would prove nothing");
        useCNumericLocale();
        QCOMPARE(QByteArray(std::setlocale(LC_NUMERIC, nullptr)), QByteArray("C"));
        QCOMPARE(QByteArray::number(std::strtod("0.25", nullptr)), QByteArray("0.25"));
        // The rest of the user's locale stays.
        QVERIFY(QByteArray(std::setlocale(LC_TIME, nullptr)).startsWith("de_DE"));
    }
};

QTEST_GUILESS_MAIN(TestNumericLocale)
#include "tst_numericlocale.moc"
