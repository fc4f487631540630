#pragma once

#include "clockshift.h"
#include "externaltrack.h"
#include "lufileinfomodel.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <memory>

class Library;
class LuFileInfoModel;

// Tracks recorded apart from the videos (a phone's GPX, an NMEA log) that the user loads: each
// is matched by time to every listed recording without a track of its own, and the seconds it
// covers are written into that recording's track cache, so the map, dials, events, drives and
// clip export use them as they use a camera's own. Reading and writing run on a worker.
class ExternalTracks : public QObject
{
    Q_OBJECT

public:
    explicit ExternalTracks(Library *library, QObject *parent = nullptr);
    ~ExternalTracks() override;

    // A file the window takes as a track when dropped: .gpx, .kml, .nmea in any letter case.
    static bool isTrackFile(const QString &path);
    static bool holdsTrackFile(const QList<QUrl> &urls);
    // Reads the file and matches it; loaded follows, then matched. A file loaded again
    // replaces its earlier reading. The loaded tracks are remembered for the next start.
    void load(const QString &path);
    // Loads the tracks loaded before the last exit.
    void loadRemembered();
    // What the recording takes its track from: empty for the viewer's own choice (the track in
    // the video, else a side file, else the loaded track covering it most), kNoTrack for none,
    // the video's own track, its side file, or a loaded track's path. Kept beside its track
    // cache.
    static inline const QString kNoTrack = LuFileInfoModel::kNoTrackChoice;
    static inline const QString kVideoTrack = LuFileInfoModel::kVideoTrackChoice;
    static inline const QString kSideFile = LuFileInfoModel::kSideFileChoice;
    static bool isLoadedTrackChoice(const QString &choice);
    void choose(LuFileInfoModel *recording, const QString &choice);
    QString choiceOf(const LuFileInfoModel *recording) const;
    // Forgets a loaded track and takes back what it gave; those recordings read their own track
    // again, or are matched to the other loaded tracks.
    void remove(const QString &path);
    const QList<std::shared_ptr<const ExternalTrack>> &tracks() const { return m_tracks; }
    // The clock correction of these recordings (see ClockShift), kept and applied at once: a
    // recording showing its camera's own track has that track moved by whole seconds, every
    // other one is matched again to the loaded tracks.
    void setShift(const QList<LuFileInfoModel *> &recordings, double seconds);
    ClockShift::Target shiftTargetOf(LuFileInfoModel *recording) const;
    double shiftOf(LuFileInfoModel *recording) const; // the correction setShift would change
    // The recording's track came from a loaded track.
    bool gave(const LuFileInfoModel *recording) const;
    // Why a track file was refused, in the user's language.
    static QString refusalText(const ExternalTrack &track);
    // Reads and matches still running.
    int busy() const { return m_busy; }

signals:
    // error is empty when the file was read, else the reason it was refused.
    void loaded(const QString &path, const QString &error);
    // The recordings the loaded tracks were matched against, and how many got seconds.
    void matched(int recordings, int given);
    void removed(const QString &path);

private:
    struct Candidate;
    struct Outcome;
    // Matches the loaded tracks to these recordings (all without a track of their own).
    void match(const QList<LuFileInfoModel *> &recordings);
    void apply(const QList<Outcome> &outcomes);
    bool needsTrack(LuFileInfoModel *model) const;
    void remember() const;
    // Removes a cache read from the video or a side file, so it is read again.
    static void dropOwnCache(LuFileInfoModel *recording);

    Library *m_library;
    QList<std::shared_ptr<const ExternalTrack>> m_tracks;
    int m_busy = 0;
    QSet<const LuFileInfoModel *> m_given; // recordings whose cache a loaded track wrote
    QList<QPointer<LuFileInfoModel>> m_late; // found without a track after the loading
    QTimer m_lateTimer;
    std::shared_ptr<bool> m_alive; // workers deliver only while this object lives
};
