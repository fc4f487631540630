#include "hwfilemanager.h"

#include "librarylog.h"

#include <QDebug>
#include <QStandardPaths>

HWFileManager *HWFileManager::instance()
{
    static HWFileManager *const manager = new HWFileManager;
    return manager;
}

QString HWFileManager::cacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
}

QString HWFileManager::subFolder(const QString &name)
{
    const QString path = cacheFolder() + QLatin1Char('/') + name;
    if (!m_dir.mkpath(path))
        qCWarning(lcLibrary) << "HWFileManager: cannot create" << path;
    return path;
}

QString HWFileManager::previewsPath()
{
    return subFolder(QStringLiteral("Previews"));
}

QString HWFileManager::trackCachePath()
{
    return subFolder(QStringLiteral("GPS"));
}
