#include "usagereport.h"

#include "luhttpserver.h"
#include "reportlog.h"

#include <QDebug>

LuHttpServer *checkClientIdentify()
{
    // One client for the process: it must outlive any answer, and it is never deleted.
    static LuHttpServer *const client = new LuHttpServer(nullptr);
    client->uploadUseRecord([](bool ok, const QJsonObject &reply, const QString &remark) {
        qCWarning(lcReport) << "checkClientIdentify" << __LINE__ << ok << reply << remark;
    });
    return client;
}
