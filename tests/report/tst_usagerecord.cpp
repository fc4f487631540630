#include "luhttpserver.h"
#include "usagereport.h"

#include <QCoreApplication>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QSettings>
#include <QSysInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

namespace {

constexpr int timeout = 15000;

// Installation identity pinned so the token is known in advance.
constexpr qint64 kTimeIndex = 1715850000;
constexpr int kRandIndex = 16807;
// base64("1_mac.VOLQ.Q-MARL_1715850000_16807") and md5(that + "_vbnd4817"), worked out by hand.
const QByteArray kToken = QByteArrayLiteral("MV9tYWMuVk9MUS5RLU1BUkxfMTcxNTg1MDAwMF8xNjgwNw==");
const QByteArray kRemark = QByteArrayLiteral("d55a5159d716fb30c5d73df10d1893f4");

// Percent-encoding written out byte by byte, independent of the toolkit's encoder.
QByteArray percentEncoded(const QString &text)
{
    QByteArray out;
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
            (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
            byte == '~')
            out += static_cast<char>(byte);
        else {
            static const char hex[] = "0123456789ABCDEF";
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        }
    }
    return out;
}

// One-shot HTTP service on the loopback: keeps the first request whole and answers it with a
// canned response.
struct StubService : QTcpServer
{
    int connections = 0;
    bool complete = false;
    QByteArray head, body, buffer;

    explicit StubService(const QByteArray &status, const QByteArray &answerBody = {})
    {
        const QByteArray answer = "HTTP/1.1 " + status +
                                  "\r\nContent-Type: application/json\r\nContent-Length: " +
                                  QByteArray::number(answerBody.size()) +
                                  "\r\nConnection: close\r\n\r\n" + answerBody;
        connect(this, &QTcpServer::newConnection, this, [this, answer] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                ++connections;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket, answer] {
                    buffer += socket->readAll();
                    const int end = buffer.indexOf("\r\n\r\n");
                    const QByteArray header = buffer.left(end).toLower();
                    const int at = header.indexOf("content-length:");
                    const int length = at < 0 ? 0 : header.mid(at + 15).split('\r').first().trimmed().toInt();
                    if (complete || end < 0 || buffer.size() < end + 4 + length)
                        return;
                    head = buffer.left(end);
                    body = buffer.mid(end + 4, length);
                    complete = true;
                    socket->write(answer);
                    socket->disconnectFromHost();
                });
            }
        });
        listen(QHostAddress::LocalHost, 0);
    }
    QByteArray base() const { return "http://127.0.0.1:" + QByteArray::number(serverPort()); }
};

// What the client's callback was handed, and how often.
struct Outcome
{
    int calls = 0;
    bool ok = false;
    QJsonObject reply;
    QString remark;
};

LuHttpServer::Callback recordInto(Outcome &outcome)
{
    return [&outcome](bool ok, const QJsonObject &reply, const QString &remark) {
        outcome = {outcome.calls + 1, ok, reply, remark};
    };
}

void useEndpoint(const QByteArray &base)
{
    qputenv("Q_MARL_USAGE_ENDPOINT", base);
}

} // namespace

// The usage record of one start against a service on the loopback.
class TestUsageRecord : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A proxy in the environment must not stand between the client and the stub.
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        QSettings store(QStringLiteral("VOLQ"), QStringLiteral("Q-MARL"));
        store.setValue(QStringLiteral("g_settingKey_create_time_index"), kTimeIndex);
        store.setValue(QStringLiteral("g_settingKey_create_rand_index"), kRandIndex);
        store.sync();
    }

    void cleanup() { qunsetenv("Q_MARL_USAGE_ENDPOINT"); }

    void postsTheRecordAndHandsOnTheAnswer()
    {
        StubService service("200 OK", R"({"code":0,"msg":"recorded"})");
        QVERIFY(service.isListening());
        useEndpoint(service.base());

        LuHttpServer client;
        Outcome outcome;
        client.uploadUseRecord(recordInto(outcome));
        QCOMPARE(client.remark(), QString::fromLatin1(kRemark));
        QTRY_COMPARE_WITH_TIMEOUT(outcome.calls, 1, timeout);

        QVERIFY(service.complete);
        const QList<QByteArray> lines = service.head.split('\n');
        QCOMPARE(lines.first().trimmed(),
                 QByteArray("POST /qtzr/soft/api/uploadUseRecord HTTP/1.1"));
        QVERIFY2(service.head.toLower().contains(
                     "\r\ncontent-type: application/x-www-form-urlencoded\r\n"),
                 service.head.constData());

        const QByteArray expected =
            "appName=" + percentEncoded(QCoreApplication::applicationName()) +
            "&authToken=" + percentEncoded(QString::fromLatin1(kToken)) +
            "&pkgName=mac.VOLQ.Q-MARL" + "&remark=" + kRemark + "&sysType=1" + "&userdata1=" +
            percentEncoded(
                QStringLiteral("cpu:%1 system:%2")
                    .arg(QSysInfo::currentCpuArchitecture(), QSysInfo::prettyProductName())) +
            "&version=V1.24.0516";
        QCOMPARE(service.body, expected);

        QVERIFY(outcome.ok);
        QCOMPARE(outcome.reply.value(QStringLiteral("msg")).toString(), QStringLiteral("recorded"));
        QCOMPARE(outcome.remark, QString::fromLatin1(kRemark));

        // The reply is handed back for deletion once handled.
        QTRY_VERIFY_WITH_TIMEOUT(client.findChildren<QNetworkReply *>().isEmpty(), timeout);
    }

    void answerDecidesTheOutcome_data()
    {
        QTest::addColumn<QByteArray>("status"); // empty: the connection is refused
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("endpoint"); // false: none is set, and nothing is posted
        QTest::newRow("answer that is no object still counts") << QByteArray("200 OK")
                                                               << QByteArray("not json") << true << true;
        QTest::newRow("server error") << QByteArray("500 Internal Server Error")
                                      << QByteArray(R"({"code":500})") << false << true;
        QTest::newRow("refused connection") << QByteArray() << QByteArray() << false << true;
        QTest::newRow("no endpoint") << QByteArray("200 OK") << QByteArray("{}") << false << false;
    }

    void answerDecidesTheOutcome()
    {
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, ok);
        QFETCH(bool, endpoint);
        StubService service(status, body);
        QVERIFY(service.isListening());
        QTcpServer probe; // a port that was free a moment ago and is closed now
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const QByteArray closed = "http://127.0.0.1:" + QByteArray::number(probe.serverPort());
        probe.close();
        useEndpoint(!endpoint ? QByteArray() : status.isEmpty() ? closed : service.base());
        LuHttpServer client;
        Outcome outcome;
        client.uploadUseRecord(recordInto(outcome));
        QCOMPARE(outcome.calls, 0); // never from inside the caller
        QCOMPARE(client.findChildren<QNetworkReply *>().isEmpty(), !endpoint);
        QCOMPARE(client.remark(), QString::fromLatin1(kRemark)); // the record is built anyway
        QTRY_COMPARE_WITH_TIMEOUT(outcome.calls, 1, timeout);
        QCOMPARE(outcome.ok, ok);
        QVERIFY(outcome.reply.isEmpty());
        QCOMPARE(outcome.remark, QString::fromLatin1(kRemark));
        QTRY_VERIFY_WITH_TIMEOUT(client.findChildren<QNetworkReply *>().isEmpty(), timeout);
        QCOMPARE(outcome.calls, 1);
        QCOMPARE(service.connections, endpoint && !status.isEmpty() ? 1 : 0);
    }

    void startOfTheProgramPostsOnce()
    {
        StubService service("200 OK", R"({"code":0})");
        QVERIFY(service.isListening());
        useEndpoint(service.base().mid(7)); // a bare host:port
        const LuHttpServer *client = checkClientIdentify();
        QVERIFY(client);
        QTRY_VERIFY_WITH_TIMEOUT(service.complete, timeout);
        // The program's client takes the answer: its reply is handled and handed back.
        QTRY_VERIFY_WITH_TIMEOUT(client->findChildren<QNetworkReply *>().isEmpty(), timeout);
        QVERIFY(service.body.contains(QByteArray("&remark=" + kRemark + "&")));
        QCOMPARE(service.connections, 1);
    }
};

QTEST_GUILESS_MAIN(TestUsageRecord)
#include "tst_usagerecord.moc"
