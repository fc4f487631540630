#include "luhttpserver.h"
#include "usagereport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
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
class StubService : public QObject
{
    Q_OBJECT

public:
    explicit StubService(QByteArray answer) : m_answer(std::move(answer))
    {
        connect(&m_server, &QTcpServer::newConnection, this, &StubService::accept);
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    quint16 port() const { return m_server.serverPort(); }
    QByteArray base() const { return "http://127.0.0.1:" + QByteArray::number(port()); }

    int connections = 0;
    bool complete = false;
    QByteArray head;
    QByteArray body;

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++connections;
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        }
    }

    void read(QTcpSocket *socket)
    {
        m_buffer += socket->readAll();
        const int end = m_buffer.indexOf("\r\n\r\n");
        if (complete || end < 0)
            return;
        const QByteArray header = m_buffer.left(end);
        int length = 0;
        for (const QByteArray &line : header.split('\n'))
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toInt();
        if (m_buffer.size() < end + 4 + length)
            return;
        head = header;
        body = m_buffer.mid(end + 4, length);
        complete = true;
        socket->write(m_answer);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QByteArray m_answer;
    QByteArray m_buffer;
};

QByteArray answer(const QByteArray &status, const QByteArray &body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: application/json\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

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
        ++outcome.calls;
        outcome.ok = ok;
        outcome.reply = reply;
        outcome.remark = remark;
    };
}

QStringList s_messages;
QtMessageHandler s_previousHandler = nullptr;

void keepMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    s_messages << message;
    s_previousHandler(type, context, message);
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

    void formBodyKeepsKeyOrderAndEncodesValues()
    {
        QMap<QString, QString> fields;
        fields.insert(QStringLiteral("version"), QStringLiteral("V1"));
        fields.insert(QStringLiteral("authToken"), QStringLiteral("ab+c/d=="));
        fields.insert(QStringLiteral("userdata1"), QStringLiteral("cpu:x86_64 system:Debian 12"));
        fields.insert(QStringLiteral("appName"), QStringLiteral("a-b.c_d~e"));
        fields.insert(QStringLiteral("pkgName"), QString::fromUtf8("中&"));
        QCOMPARE(LuHttpServer::formBody(fields),
                 QByteArray("appName=a-b.c_d~e&authToken=ab%2Bc%2Fd%3D%3D&pkgName=%E4%B8%AD%26"
                            "&userdata1=cpu%3Ax86_64%20system%3ADebian%2012&version=V1"));
    }

    void endpointComesFromTheEnvironment()
    {
        useEndpoint("127.0.0.1:8080/");
        QCOMPARE(LuHttpServer::endpoint(),
                 QUrl(QStringLiteral("http://127.0.0.1:8080/qtzr/soft/api/uploadUseRecord")));
        useEndpoint("http://stats.example.org");
        QCOMPARE(LuHttpServer::endpoint(),
                 QUrl(QStringLiteral("http://stats.example.org/qtzr/soft/api/uploadUseRecord")));
        useEndpoint("");
        QVERIFY(LuHttpServer::endpoint().isEmpty()); // set but empty: posting is off
    }

    void postsTheRecordAndHandsOnTheAnswer()
    {
        StubService service(answer("200 OK", R"({"code":0,"msg":"recorded"})"));
        QVERIFY(service.listen());
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
        QMap<QByteArray, QByteArray> headers;
        for (const QByteArray &line : lines.mid(1)) {
            const int colon = line.indexOf(':');
            headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
        QCOMPARE(headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(headers.value("content-length"), QByteArray::number(service.body.size()));
        QCOMPARE(headers.value("host"),
                 QByteArray("127.0.0.1:" + QByteArray::number(service.port())));

        const QByteArray expected =
            "appName=" + percentEncoded(QCoreApplication::applicationName()) +
            "&authToken=" + percentEncoded(QString::fromLatin1(kToken)) +
            "&pkgName=mac.VOLQ.Q-MARL" + "&remark=" + kRemark + "&sysType=1" + "&userdata1=" +
            percentEncoded(
                QStringLiteral("cpu:%1 system:%2")
                    .arg(QSysInfo::currentCpuArchitecture(), QSysInfo::prettyProductName())) +
            "&version=V1.24.0516";
        QCOMPARE(service.body, expected);
        QVERIFY(service.body.contains("%3D%3D&pkgName"));
        QVERIFY(service.body.contains("%20system%3A"));
        QCOMPARE(QCryptographicHash::hash(kToken + "_vbnd4817", QCryptographicHash::Md5).toHex(),
                 kRemark);

        QVERIFY(outcome.ok);
        QCOMPARE(outcome.reply.value(QStringLiteral("msg")).toString(), QStringLiteral("recorded"));
        QCOMPARE(outcome.reply.value(QStringLiteral("code")).toInt(-1), 0);
        QCOMPARE(outcome.remark, QString::fromLatin1(kRemark));

        // The reply is handed back for deletion once handled.
        QTRY_VERIFY_WITH_TIMEOUT(client.findChildren<QNetworkReply *>().isEmpty(), timeout);
    }

    void answerThatIsNoObjectStillCounts()
    {
        StubService service(answer("200 OK", "not json"));
        QVERIFY(service.listen());
        useEndpoint(service.base());
        LuHttpServer client;
        Outcome outcome;
        client.uploadUseRecord(recordInto(outcome));
        QTRY_COMPARE_WITH_TIMEOUT(outcome.calls, 1, timeout);
        QVERIFY(outcome.ok);
        QVERIFY(outcome.reply.isEmpty());
    }

    void serverErrorGivesFalse()
    {
        StubService service(answer("500 Internal Server Error", R"({"code":500})"));
        QVERIFY(service.listen());
        useEndpoint(service.base());
        LuHttpServer client;
        Outcome outcome;
        client.uploadUseRecord(recordInto(outcome));
        QTRY_COMPARE_WITH_TIMEOUT(outcome.calls, 1, timeout);
        QVERIFY(service.complete);
        QVERIFY(!outcome.ok);
        QVERIFY(outcome.reply.isEmpty());
        QCOMPARE(outcome.remark, QString::fromLatin1(kRemark));
        QTRY_VERIFY_WITH_TIMEOUT(client.findChildren<QNetworkReply *>().isEmpty(), timeout);
    }

    void refusedConnectionGivesFalse()
    {
        QByteArray base;
        {
            QTcpServer probe; // a port that was free a moment ago and is closed now
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            base = "http://127.0.0.1:" + QByteArray::number(probe.serverPort());
        }
        useEndpoint(base);
        LuHttpServer client;
        Outcome outcome;
        client.uploadUseRecord(recordInto(outcome));
        QTRY_COMPARE_WITH_TIMEOUT(outcome.calls, 1, timeout);
        QVERIFY(!outcome.ok);
        QVERIFY(outcome.reply.isEmpty());
    }

    void noEndpointPostsNothing()
    {
        StubService service(answer("200 OK", "{}"));
        QVERIFY(service.listen());
        useEndpoint("");
        LuHttpServer client;
        Outcome outcome;
        client.uploadUseRecord(recordInto(outcome));
        QCOMPARE(outcome.calls, 0);                              // never from inside the caller
        QCOMPARE(client.remark(), QString::fromLatin1(kRemark)); // the record is still built
        QTRY_COMPARE_WITH_TIMEOUT(outcome.calls, 1, timeout);
        QVERIFY(!outcome.ok);
        QVERIFY(outcome.reply.isEmpty());
        QTest::qWait(200);
        QCOMPARE(service.connections, 0);
        QCOMPARE(outcome.calls, 1);
    }

    void laterCallReplacesTheCallback()
    {
        StubService service(answer("200 OK", "{}"));
        QVERIFY(service.listen());
        useEndpoint("");
        LuHttpServer client;
        Outcome first;
        Outcome second;
        client.uploadUseRecord(recordInto(first));
        client.uploadUseRecord(recordInto(second));
        QTRY_COMPARE_WITH_TIMEOUT(second.calls, 2, timeout);
        QCOMPARE(first.calls, 0);
    }

    void startOfTheProgramPostsOnce()
    {
        StubService service(answer("200 OK", R"({"code":0})"));
        QVERIFY(service.listen());
        useEndpoint(service.base());
        s_previousHandler = qInstallMessageHandler(keepMessage);
        checkClientIdentify();
        QTRY_VERIFY_WITH_TIMEOUT(service.complete, timeout);
        // The answer only reaches the log.
        const auto logged = [] {
            for (const QString &message : s_messages)
                if (message.startsWith(QLatin1String("checkClientIdentify")) &&
                    message.contains(QLatin1String("true")))
                    return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(logged(), timeout);
        qInstallMessageHandler(s_previousHandler);
        QVERIFY(service.body.startsWith("appName="));
        QVERIFY(service.body.contains(QByteArray("&remark=" + kRemark + "&")));
        QCOMPARE(service.connections, 1);
    }
};

QTEST_GUILESS_MAIN(TestUsageRecord)
#include "tst_usagerecord.moc"
