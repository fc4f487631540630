#pragma once

#include <QDir>
#include <QObject>

// Creates and names the sub-folders of the per-user cache folder.
class HWFileManager : public QObject
{
    Q_OBJECT

public:
    static HWFileManager *instance();

    // "<cache>/Previews", created when missing.
    QString previewsPath();
    // "<cache>/GPS", created when missing: one track cache text file per video file.
    QString trackCachePath();

    static QString cacheFolder();

private:
    HWFileManager() = default;
    QString subFolder(const QString &name);

    QDir m_dir;
};
