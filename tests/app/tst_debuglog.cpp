#include "appglobals.h"
#include "debuglog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

class TestDebugLog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_previousDir;

    static QByteArray logBytes()
    {
        QFile file(g_logFileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    static void log(QtMsgType type, const QString &text)
    {
        debugLogHandler(type, QMessageLogContext(), text);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(m_previousDir); }
    void init()
    {
        QFile::remove(g_logFileName);
        QDir(g_logFileName).removeRecursively();
    }

    void everyMessageEndsInCrLfLf_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("debug") << int(QtDebugMsg);
        QTest::newRow("info") << int(QtInfoMsg);
        QTest::newRow("warning") << int(QtWarningMsg);
        QTest::newRow("critical") << int(QtCriticalMsg);
    }

    void everyMessageEndsInCrLfLf()
    {
        QFETCH(int, type);
        QFile seed(g_logFileName);
        QVERIFY(seed.open(QIODevice::WriteOnly));
        seed.write("earlier run\r\n\n");
        seed.close();

        log(QtMsgType(type), QStringLiteral("first"));
        log(QtMsgType(type), QStringLiteral("second line"));
        QCOMPARE(logBytes(), QByteArray("earlier run\r\n\nfirst\r\n\nsecond line\r\n\n"));
    }

    void onlyTheBareTextIsWritten()
    {
        qInstallMessageHandler(debugLogHandler);
        qWarning() << "checkFirstInstall" << 41;
        qInstallMessageHandler(nullptr);
        QCOMPARE(logBytes(), QByteArray("checkFirstInstall 41\r\n\n"));
    }

    void createsTheFileWhenItVanishedMeanwhile()
    {
        log(QtWarningMsg, QStringLiteral("x"));
        QCOMPARE(logBytes(), QByteArray("x\r\n\n"));
    }

    void unwritableLogIsSurvived()
    {
        QVERIFY(QDir().mkdir(g_logFileName));
        log(QtWarningMsg, QStringLiteral("lost but harmless"));
        QVERIFY(QFileInfo(g_logFileName).isDir());
    }

    void fatalAbortsWithoutWriting()
    {
        QFile seed(g_logFileName);
        QVERIFY(seed.open(QIODevice::WriteOnly));
        seed.close();
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            log(QtFatalMsg, QStringLiteral("fatal text"));
            ::_exit(0); // not reached when the handler aborts
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(WTERMSIG(status), SIGABRT);
        QCOMPARE(logBytes(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestDebugLog)
#include "tst_debuglog.moc"
