#pragma once

#include <QList>
#include <QObject>

class ClipMarks;
class HWDeviceTreeView;
class Library;
class LuFileInfoModel;
class QPoint;
struct Drive;

// Taking tracks out of the viewer for other GPS tools: a file's track, or a whole drive's, from
// the file list's own menu (which also offers the file's clip export).
class TrackExportActions : public QObject
{
    Q_OBJECT

public:
    TrackExportActions(Library *library, ClipMarks *clips, HWDeviceTreeView *fileList,
                       QObject *parent = nullptr);

    // The file list's menu for the file or the drive header under pos (viewport coordinates).
    void showMenu(const QPoint &pos);
    // Writes a file's track, valid fixes only, as GPX 1.1 or, for a ".csv" path, as CSV.
    static bool exportTrack(LuFileInfoModel *model, const QString &path);
    // Writes a drive's track, every recording's fixes in time order, on a worker thread;
    // driveTrackExported(ok) follows on this object's thread.
    void exportDriveTrack(const QList<LuFileInfoModel *> &recordings, const QString &path);

signals:
    void driveTrackExported(bool ok);

private:
    void showDriveMenu(const Drive &drive, const QPoint &pos);

    Library *m_library;
    ClipMarks *m_clips;
    HWDeviceTreeView *m_fileList;
};
