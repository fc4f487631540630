#pragma once

#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkReply;

// Posts the usage record of one start: application, version, installation identity, system,
// and a token derived from the installation identity. The answer is only handed to the
// callback; nothing else depends on it.
class LuHttpServer : public QObject
{
    Q_OBJECT

public:
    using Callback = std::function<void(bool ok, const QJsonObject &reply, const QString &remark)>;

    explicit LuHttpServer(QObject *parent = nullptr);

    // Replaces any earlier callback, then builds and posts the record. Without an endpoint the
    // record is only logged and the callback hears false from the event loop.
    void uploadUseRecord(Callback callback);

    // Where records go: Q_MARL_USAGE_ENDPOINT when set (empty switches posting off), else the
    // base URL the build was configured with. Empty when there is nowhere to post.
    static QUrl endpoint();
    // "%1=%2" pairs in ascending key order, values percent-encoded as UTF-8, joined by "&".
    static QByteArray formBody(const QMap<QString, QString> &fields);

    QString remark() const { return m_remark; }

public slots:
    void serviceRequestFinished(QNetworkReply *reply);

private:
    // A child as well as a member, so the replies in flight can be found from the client.
    QNetworkAccessManager m_manager;
    QNetworkRequest m_request;
    Callback m_callback;
    QString m_remark;
};
