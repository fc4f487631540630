#pragma once

#include "drivingevents.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QSettings;

// Key names; each constant holds its own name as text.
extern const QString g_settingKey_language;
extern const QString g_settingKey_mapType;
extern const QString g_settingKey_speedUnit;
extern const QString g_settingKey_snapDir;
extern const QString g_settingKey_videoDir;
extern const QString g_settingKey_clipDir;
extern const QString g_settingKey_offlineMap;
extern const QString g_settingKey_volume;
extern const QString g_settingKey_keepOriginalSize;
extern const QString g_settingKey_last_capture_index;
extern const QString g_settingKey_last_filelist;
extern const QString g_settingKey_mainsizes_0;
extern const QString g_settingKey_mainsizes_1;
extern const QString g_settingKey_rightsizes_0;
extern const QString g_settingKey_rightsizes_1;
extern const QString g_settingKey_create_rand_index;
extern const QString g_settingKey_create_time_index;
extern const QString g_settingKey_screenSplitType;
extern const QString g_settingKey_videoSolution;

// The per-user settings store. Every getter has its own default for an absent key; every
// setter writes through at once so the store survives a killed process.
class HWDefaultSettings : public QObject
{
    Q_OBJECT

public:
    static HWDefaultSettings *instance();

    int language();
    void setLanguage(int language);
    int mapType();
    void setMapType(int mapType);
    int speedUnit();
    void setSpeedUnit(int speedUnit);
    QString snapDir();
    void setSnapDir(const QString &dir);
    QString videoDir();
    void setVideoDir(const QString &dir);
    // Where exported clips go.
    QString clipDir();
    void setClipDir(const QString &dir);
    // The MBTiles file the offline map draws its streets from; empty (the default) for none.
    QString offlineMap();
    void setOfflineMap(const QString &path);
    int volume();
    void setVolume(int volume);
    bool keepOriginalSize();
    void setKeepOriginalSize(bool keep);
    int lastCaptureIndex();
    void setLastCaptureIndex(int index);
    QStringList lastFileList();
    void setLastFileList(const QStringList &files);

    // When a change in a track counts as a driving event; each missing or unusable value is
    // stored as its default, so the file shows what can be tuned.
    DrivingEventThresholds drivingEventThresholds();

    int createRandIndex();
    qint64 createTimeIndex();

    // 1: the recorder has no G-sensor. Fixed; the store is never asked.
    int videoSolution() const { return 1; }

    // First-run reset: drops the layout and preference keys, keeps the installation identity
    // and the snapshot numbering.
    void resetToDefaults();

private:
    HWDefaultSettings();
    void store(const QString &key, const QVariant &value);
    void guardAgainstUnreadableStore();

    QSettings *m_settings;
};
