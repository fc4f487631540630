#include "luhttpserver.h"

#include "appglobals.h"
#include "hwdefaultsettings.h"
#include "reportlog.h"
#include "usageendpoint.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDebug>
#include <QJsonDocument>
#include <QMap>
#include <QNetworkReply>
#ifdef Q_OS_WIN
#include <QOperatingSystemVersion>
#endif
#include <QSysInfo>
#include <QTimer>

namespace {
const QString kVersion = QStringLiteral("V1.24.0516");
const QString kRecordPath = QStringLiteral("/qtzr/soft/api/uploadUseRecord");
const QByteArray kSalt = QByteArrayLiteral("_vbnd4817");
const char kEndpointVariable[] = "Q_MARL_USAGE_ENDPOINT";

void logSystemDetails()
{
#ifdef Q_OS_WIN
    qCWarning(lcReport) << "version: " << QOperatingSystemVersion::current();
#else
    qCWarning(lcReport) << "version: " << QSysInfo::productVersion();
#endif
    qCWarning(lcReport) << "buildCpuArchitecture" << QSysInfo::buildCpuArchitecture();
    qCWarning(lcReport) << "currentCpuArchitecture" << QSysInfo::currentCpuArchitecture();
    qCWarning(lcReport) << "buildAbi" << QSysInfo::buildAbi();
    qCWarning(lcReport) << "kernelType" << QSysInfo::kernelType();
    qCWarning(lcReport) << "kernelVersion" << QSysInfo::kernelVersion();
    qCWarning(lcReport) << "productType" << QSysInfo::productType();
    qCWarning(lcReport) << "productVersion" << QSysInfo::productVersion();
    qCWarning(lcReport) << "prettyProductName" << QSysInfo::prettyProductName();
    qCWarning(lcReport) << "machineHostName" << QSysInfo::machineHostName();
}
} // namespace

LuHttpServer::LuHttpServer(QObject *parent) : QObject(parent), m_manager(this)
{
    m_request.setHeader(QNetworkRequest::ContentTypeHeader,
                        QStringLiteral("application/x-www-form-urlencoded"));
    connect(&m_manager, &QNetworkAccessManager::finished, this,
            &LuHttpServer::serviceRequestFinished);
}

QUrl LuHttpServer::endpoint()
{
    QString base = qEnvironmentVariableIsSet(kEndpointVariable)
                       ? qEnvironmentVariable(kEndpointVariable)
                       : QStringLiteral(QMARL_USAGE_ENDPOINT_DEFAULT);
    base = base.trimmed();
    if (base.isEmpty())
        return QUrl();
    // The service speaks plain HTTP; a bare host:port is taken as such.
    if (!base.contains(QLatin1String("://")))
        base.prepend(QLatin1String("http://"));
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QUrl url(base + kRecordPath);
    if (!url.isValid() || url.host().isEmpty()) {
        qCWarning(lcReport) << "LuHttpServer::endpoint: unusable usage-record endpoint" << base;
        return QUrl();
    }
    return url;
}

QByteArray LuHttpServer::formBody(const QMap<QString, QString> &fields)
{
    // QMap iterates in ascending key order, which is the order the service expects.
    QList<QByteArray> pairs;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        pairs << it.key().toUtf8() + '=' + it.value().toUtf8().toPercentEncoding();
    return pairs.join('&');
}

void LuHttpServer::uploadUseRecord(Callback callback)
{
    m_callback = std::move(callback);
    logSystemDetails();

    QMap<QString, QString> fields;
    fields.insert(QStringLiteral("appName"), QCoreApplication::applicationName());
    fields.insert(QStringLiteral("version"), kVersion);
    fields.insert(QStringLiteral("pkgName"), g_installIdentity);
    fields.insert(QStringLiteral("sysType"), QStringLiteral("1"));
    fields.insert(QStringLiteral("userdata1"),
                  QStringLiteral("cpu:%1 system:%2")
                      .arg(QSysInfo::currentCpuArchitecture(), QSysInfo::prettyProductName()));

    HWDefaultSettings *store = HWDefaultSettings::instance();
    const int rand = store->createRandIndex();
    const QString token =
        QStringLiteral("%1_%2_%3_%4")
            .arg(fields.value(QStringLiteral("sysType")), fields.value(QStringLiteral("pkgName")))
            .arg(store->createTimeIndex())
            .arg(rand);
    const QByteArray tokenBytes = token.toUtf8();
    qCWarning(lcReport) << "token before: " << tokenBytes << "rand" << rand;
    const QByteArray authToken = tokenBytes.toBase64();
    qCWarning(lcReport) << "token after: " << authToken;
    fields.insert(QStringLiteral("authToken"), QString::fromLatin1(authToken));

    m_remark = QString::fromLatin1(
        QCryptographicHash::hash(authToken + kSalt, QCryptographicHash::Md5).toHex());
    fields.insert(QStringLiteral("remark"), m_remark);

    const QByteArray body = formBody(fields);
    qCWarning(lcReport) << "did convert post array" << body;

    const QUrl url = endpoint();
    if (url.isEmpty()) {
        qCWarning(lcReport)
            << "LuHttpServer::uploadUseRecord: no usage-record endpoint; not posted";
        // Never from inside the caller: it may still be constructing itself.
        QTimer::singleShot(0, this, [this] {
            if (m_callback)
                m_callback(false, QJsonObject(), m_remark);
        });
        return;
    }
    m_request.setUrl(url);
    m_request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
    m_manager.post(m_request, body);
}

void LuHttpServer::serviceRequestFinished(QNetworkReply *reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    qCWarning(lcReport) << "LuHttpServer::serviceRequestFinished"
                        << "status code" << status;
    if (status == 200) {
        const QJsonObject object = QJsonDocument::fromJson(reply->readAll()).object();
        if (m_callback)
            m_callback(true, object, m_remark);
    } else {
        if (m_callback)
            m_callback(false, QJsonObject(), m_remark);
    }
    reply->deleteLater();
}
