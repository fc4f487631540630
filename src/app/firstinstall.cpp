#include "firstinstall.h"

#include "applog.h"
#include "hwdefaultsettings.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

void checkFirstInstall()
{
    const QString cacheDir = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (!QDir().mkpath(cacheDir))
        qCWarning(lcApp) << "checkFirstInstall: cannot create the cache folder" << cacheDir;
    const QString markerPath = cacheDir + QStringLiteral("/myapp.conf");

    qCWarning(lcApp) << "checkFirstInstall" << 41;
    if (QFile::exists(markerPath))
        return;
    qCWarning(lcApp) << "checkFirstInstall" << 47;

    QFile marker(markerPath);
    if (marker.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        const QByteArray stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
        if (marker.write(stamp) != stamp.size())
            qCWarning(lcApp) << "checkFirstInstall: cannot write" << markerPath
                             << marker.errorString();
        marker.close();
    } else {
        // The reset still runs; without a marker the next start counts as a first run again.
        qCWarning(lcApp) << "checkFirstInstall: cannot create" << markerPath
                         << marker.errorString();
    }

    HWDefaultSettings::instance()->resetToDefaults();
}
