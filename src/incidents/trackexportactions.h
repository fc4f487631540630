#pragma once

#include <QList>
#include <QObject>

class ClipMarks;
class ClockShiftDialog;
class LoadedTracksDialog;
class ExternalTracks;
class HWDeviceTreeView;
class Library;
class LuFileInfoModel;
class QMenu;
class QPoint;
struct Drive;

// Tracks in and out of the viewer from the file list's own menu: a file's or a whole drive's
// track taken out for other GPS tools, the file's clip export, and a track recorded apart
// (a phone's GPX) brought in for the recordings without one.
class TrackExportActions : public QObject
{
    Q_OBJECT

public:
    TrackExportActions(Library *library, ClipMarks *clips, ExternalTracks *external,
                       HWDeviceTreeView *fileList, QObject *parent = nullptr);

    // The file list's menu for the file or the drive header under pos (viewport coordinates).
    void showMenu(const QPoint &pos);
    // Writes a file's track, valid fixes only, as GPX 1.1 or, for a ".csv" path, as CSV.
    static bool exportTrack(LuFileInfoModel *model, const QString &path);
    // Writes a drive's track, every recording's fixes in time order, on a worker thread;
    // driveTrackExported(ok) follows on this object's thread.
    void exportDriveTrack(const QList<LuFileInfoModel *> &recordings, const QString &path);

    // The clock of a recording (and its drive) set right, against the loaded tracks or its own.
    ClockShiftDialog *showClockShift(LuFileInfoModel *recording);
    // The loaded tracks, to see, add and remove.
    LoadedTracksDialog *showLoadedTracks();
    // "Add GPS track…": asks for track files and loads them.
    void askForTrackFiles();
    // Loads track files (dropped or chosen); what went wrong is said in a message.
    void loadTrackFiles(const QStringList &paths);

signals:
    void driveTrackExported(bool ok);

private:
    void showDriveMenu(const Drive &drive, const QPoint &pos);
    // Where the recording's track comes from: the viewer's choice, none, the video's own, its
    // side file, or one loaded track.
    void addTrackChoices(QMenu *menu, LuFileInfoModel *recording);

    Library *m_library;
    ClipMarks *m_clips;
    ExternalTracks *m_external;
    HWDeviceTreeView *m_fileList;
};
