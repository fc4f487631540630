#include "hwdefaultsettings.h"

#include "appglobals.h"
#include "applog.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTime>

#include <cmath>
#include <cstdlib>

const QString g_settingKey_language = QStringLiteral("g_settingKey_language");
const QString g_settingKey_mapType = QStringLiteral("g_settingKey_mapType");
const QString g_settingKey_speedUnit = QStringLiteral("g_settingKey_speedUnit");
const QString g_settingKey_snapDir = QStringLiteral("g_settingKey_snapDir");
const QString g_settingKey_videoDir = QStringLiteral("g_settingKey_videoDir");
const QString g_settingKey_clipDir = QStringLiteral("g_settingKey_clipDir");
const QString g_settingKey_offlineMap = QStringLiteral("g_settingKey_offlineMap");
const QString g_settingKey_volume = QStringLiteral("g_settingKey_volume");
const QString g_settingKey_keepOriginalSize = QStringLiteral("g_settingKey_keepOriginalSize");
const QString g_settingKey_last_capture_index = QStringLiteral("g_settingKey_last_capture_index");
const QString g_settingKey_last_filelist = QStringLiteral("g_settingKey_last_filelist");
const QString g_settingKey_mainsizes_0 = QStringLiteral("g_settingKey_mainsizes_0");
const QString g_settingKey_mainsizes_1 = QStringLiteral("g_settingKey_mainsizes_1");
const QString g_settingKey_rightsizes_0 = QStringLiteral("g_settingKey_rightsizes_0");
const QString g_settingKey_rightsizes_1 = QStringLiteral("g_settingKey_rightsizes_1");
const QString g_settingKey_create_rand_index = QStringLiteral("g_settingKey_create_rand_index");
const QString g_settingKey_create_time_index = QStringLiteral("g_settingKey_create_time_index");
const QString g_settingKey_screenSplitType = QStringLiteral("g_settingKey_screenSplitType");
const QString g_settingKey_videoSolution = QStringLiteral("g_settingKey_videoSolution");
const QString g_settingKey_eventBraking = QStringLiteral("g_settingKey_event_braking_mps2");
const QString g_settingKey_eventAcceleration =
    QStringLiteral("g_settingKey_event_acceleration_mps2");
const QString g_settingKey_eventJoltFromRest = QStringLiteral("g_settingKey_event_jolt_g");
const QString g_settingKey_eventJoltStep = QStringLiteral("g_settingKey_event_jolt_step_g");

namespace {
constexpr int kLanguageSimplifiedChinese = 2;
constexpr int kDefaultLanguage = 1;
constexpr int kDefaultVolume = 100;
} // namespace

HWDefaultSettings *HWDefaultSettings::instance()
{
    static HWDefaultSettings *const settings = new HWDefaultSettings;
    return settings;
}

HWDefaultSettings::HWDefaultSettings()
    : m_settings(new QSettings(g_organizationName, g_applicationName))
{
    guardAgainstUnreadableStore();
}

// A store that cannot be parsed would be overwritten by the next setter; keep a copy of it
// first so the user's values can still be recovered by hand.
void HWDefaultSettings::guardAgainstUnreadableStore()
{
    const QSettings::Status status = m_settings->status();
    if (status == QSettings::NoError)
        return;
    const QString path = m_settings->fileName();
    qCWarning(lcApp) << "HWDefaultSettings: settings store" << path
                     << (status == QSettings::FormatError ? "is damaged" : "cannot be read")
                     << "- starting from defaults";
    if (status != QSettings::FormatError || !QFile::exists(path))
        return;
    const QString backup =
        path + QStringLiteral(".damaged-") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (QFile::copy(path, backup))
        qCWarning(lcApp) << "HWDefaultSettings: damaged store kept as" << backup;
    else
        qCWarning(lcApp) << "HWDefaultSettings: could not keep a copy of the damaged store at"
                         << backup;
}

void HWDefaultSettings::store(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
    m_settings->sync();
}

int HWDefaultSettings::language()
{
    if (!m_settings->contains(g_settingKey_language))
        return kDefaultLanguage;
    return m_settings->value(g_settingKey_language).toInt();
}

void HWDefaultSettings::setLanguage(int language)
{
    store(g_settingKey_language, language);
}

// The map and unit defaults follow the language at the time of the first read and are stored
// then, so a later language change does not move them.
int HWDefaultSettings::mapType()
{
    if (!m_settings->contains(g_settingKey_mapType)) {
        const int mapType = language() == kLanguageSimplifiedChinese ? 1 : 0;
        store(g_settingKey_mapType, mapType);
        return mapType;
    }
    return m_settings->value(g_settingKey_mapType).toInt();
}

void HWDefaultSettings::setMapType(int mapType)
{
    store(g_settingKey_mapType, mapType);
}

int HWDefaultSettings::speedUnit()
{
    if (!m_settings->contains(g_settingKey_speedUnit)) {
        const int unit = language() == kLanguageSimplifiedChinese ? 0 : 1;
        store(g_settingKey_speedUnit, unit);
        return unit;
    }
    return m_settings->value(g_settingKey_speedUnit).toInt();
}

void HWDefaultSettings::setSpeedUnit(int speedUnit)
{
    store(g_settingKey_speedUnit, speedUnit);
}

QString HWDefaultSettings::snapDir()
{
    if (!m_settings->contains(g_settingKey_snapDir)) {
        // Snapshots are kept as evidence: they belong with the user's pictures, never in a
        // cache that cleaners empty. A folder chosen or stored before is left as it is.
        QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        if (pictures.isEmpty()) {
            pictures = QDir::homePath();
            qCWarning(lcApp) << "HWDefaultSettings::snapDir: no pictures folder, using" << pictures;
        }
        pictures += QStringLiteral("/Q-MARL");
        if (!QDir().mkpath(pictures))
            qCWarning(lcApp) << "HWDefaultSettings::snapDir: cannot create" << pictures;
        store(g_settingKey_snapDir, pictures);
    }
    return m_settings->value(g_settingKey_snapDir).toString();
}

void HWDefaultSettings::setSnapDir(const QString &dir)
{
    store(g_settingKey_snapDir, dir);
}

QString HWDefaultSettings::videoDir()
{
    if (!m_settings->contains(g_settingKey_videoDir))
        return QString();
    return m_settings->value(g_settingKey_videoDir).toString();
}

void HWDefaultSettings::setVideoDir(const QString &dir)
{
    store(g_settingKey_videoDir, dir);
}

QString HWDefaultSettings::clipDir()
{
    // Until a clip has been exported, next to the recordings last opened.
    if (!m_settings->contains(g_settingKey_clipDir)) {
        const QString videos = videoDir();
        return videos.isEmpty() ? QDir::homePath() : videos;
    }
    return m_settings->value(g_settingKey_clipDir).toString();
}

void HWDefaultSettings::setClipDir(const QString &dir)
{
    store(g_settingKey_clipDir, dir);
}

QString HWDefaultSettings::offlineMap()
{
    return m_settings->value(g_settingKey_offlineMap).toString();
}

void HWDefaultSettings::setOfflineMap(const QString &path)
{
    store(g_settingKey_offlineMap, path);
}

int HWDefaultSettings::volume()
{
    if (!m_settings->contains(g_settingKey_volume))
        return kDefaultVolume;
    return m_settings->value(g_settingKey_volume).toInt();
}

void HWDefaultSettings::setVolume(int volume)
{
    store(g_settingKey_volume, volume);
}

bool HWDefaultSettings::keepOriginalSize()
{
    if (!m_settings->contains(g_settingKey_keepOriginalSize))
        return true;
    return m_settings->value(g_settingKey_keepOriginalSize).toBool();
}

void HWDefaultSettings::setKeepOriginalSize(bool keep)
{
    store(g_settingKey_keepOriginalSize, keep);
}

int HWDefaultSettings::lastCaptureIndex()
{
    if (!m_settings->contains(g_settingKey_last_capture_index))
        return 0;
    return m_settings->value(g_settingKey_last_capture_index).toInt();
}

void HWDefaultSettings::setLastCaptureIndex(int index)
{
    store(g_settingKey_last_capture_index, index);
}

QStringList HWDefaultSettings::lastFileList()
{
    if (!m_settings->contains(g_settingKey_last_filelist))
        return QStringList();
    return m_settings->value(g_settingKey_last_filelist).toStringList();
}

void HWDefaultSettings::setLastFileList(const QStringList &files)
{
    store(g_settingKey_last_filelist, files);
}

int HWDefaultSettings::createRandIndex()
{
    if (!m_settings->contains(g_settingKey_create_rand_index)) {
        // Seeded with the second of the day, as the installation identity has always been.
        std::srand(static_cast<unsigned>(QTime(0, 0, 0).secsTo(QTime::currentTime())));
        const int value = std::rand();
        store(g_settingKey_create_rand_index, value);
        return value;
    }
    return m_settings->value(g_settingKey_create_rand_index).toInt();
}

qint64 HWDefaultSettings::createTimeIndex()
{
    if (!m_settings->contains(g_settingKey_create_time_index)) {
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        store(g_settingKey_create_time_index, now);
        return now;
    }
    return m_settings->value(g_settingKey_create_time_index).toLongLong();
}

DrivingEventThresholds HWDefaultSettings::drivingEventThresholds()
{
    DrivingEventThresholds thresholds;
    const struct
    {
        const QString &key;
        double &value;
    } entries[] = {{g_settingKey_eventBraking, thresholds.brakingMps2},
                   {g_settingKey_eventAcceleration, thresholds.accelerationMps2},
                   {g_settingKey_eventJoltFromRest, thresholds.joltFromRestG},
                   {g_settingKey_eventJoltStep, thresholds.joltStepG}};
    for (const auto &entry : entries) {
        bool ok = false;
        const double stored = m_settings->value(entry.key).toDouble(&ok);
        if (ok && std::isfinite(stored) && stored > 0) {
            entry.value = stored;
            continue;
        }
        if (m_settings->contains(entry.key))
            qCWarning(lcApp) << "HWDefaultSettings: unusable" << entry.key
                             << m_settings->value(entry.key) << "- using" << entry.value;
        store(entry.key, entry.value);
    }
    return thresholds;
}

void HWDefaultSettings::resetToDefaults()
{
    for (const QString *key :
         {&g_settingKey_screenSplitType, &g_settingKey_snapDir, &g_settingKey_language,
          &g_settingKey_mapType, &g_settingKey_speedUnit, &g_settingKey_videoSolution,
          &g_settingKey_keepOriginalSize, &g_settingKey_mainsizes_0, &g_settingKey_mainsizes_1,
          &g_settingKey_rightsizes_0, &g_settingKey_rightsizes_1, &g_settingKey_last_filelist,
          &g_settingKey_volume, &g_settingKey_videoDir, &g_settingKey_clipDir})
        m_settings->remove(*key);
    // Flushed at once: the singleton is never destroyed, and a reset that only reached memory
    // would be undone by the next start while the first-run marker says it happened.
    m_settings->sync();
}
