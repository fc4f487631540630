#pragma once

#include <QDateTime>
#include "drivingevents.h"

#include <QList>
#include <QMetaType>
#include <QModelIndex>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

class LuGPSModel;
class QDateTime;

// What reading a track needs from its recording, copied so the work can run on any thread.
struct TrackSource
{
    QString nativePath;
    QString fileName;
    QString cachePath;
    int channelCount = 1;
    DrivingEventThresholds eventThresholds; // from the settings, read on the recording's thread
};

// What a track yields besides its points (the fields of the same names in LuFileInfoModel).
struct TrackStatistics
{
    QString routeTextBd;
    QString routeTextWgs;
    QString routeTextWgs2;
    float maxSpeed = 0;
    float averageSpeed = 0;
    float totalDistance = 0;
    float durationSeconds = 0;
    QString startTimeText;
    QString endTimeText;
    QList<float> gsensorX;
    QList<float> gsensorY;
    QList<float> gsensorZ;
    bool hasGsensor = false;
    QVector<DrivingEvent> drivingEvents;
};

// A track read from the cache (extracted into it first when needed), not yet given to its
// recording. The points have no parent until the recording takes them; those left here are
// deleted with the result.
struct TrackLoadResult
{
    TrackLoadResult() = default;
    ~TrackLoadResult();
    TrackLoadResult(const TrackLoadResult &) = delete;
    TrackLoadResult &operator=(const TrackLoadResult &) = delete;

    bool loaded = false; // false: no cache could be read, the next open tries again
    QString cachePath;
    bool fineGScale = false;
    QList<LuGPSModel *> points;
    TrackStatistics statistics; // left empty for fewer than two points
};

// One video file the user added: its channel identity and sibling files, the names of its
// track cache and preview picture, and once loadTrack has run, its track with the statistics,
// map route texts and acceleration series computed from it.
class LuFileInfoModel : public QObject
{
    Q_OBJECT

public:
    LuFileInfoModel(const QString &fileName, const QString &absolutePath,
                    QObject *parent = nullptr);
    ~LuFileInfoModel() override;

    // The sibling candidates of path, in the order to test them; sets *channelIndex to the
    // channel of the matched naming row, and leaves it alone when no row matches. With
    // carCameras, says whether the name is of the car's cameras.
    static QStringList getBackPath(const QString &path, int *channelIndex,
                                   bool *carCameras = nullptr);

    // Fills the track from the cache, extracting it from the video first when no cache exists.
    void loadTrack();

    // loadTrack in two halves, so the slow one can run on a worker thread: readTrack does the
    // file work (thread-safe; one extraction per cache file at a time) and creates the points
    // on the calling thread; applyTrack takes them on the recording's thread, unless a track
    // was loaded meanwhile.
    TrackSource trackSource() const;
    static void readTrack(const TrackSource &source, TrackLoadResult *result);
    // How many tracks this process has extracted from their videos, on any thread: the work a
    // cache file saves, done once per cache file however many ask at once.
    static int trackExtractions();
    void applyTrack(TrackLoadResult *result);
    // Lets the track go, so the next read takes the cache as it is now (a track given to the
    // recording from elsewhere). GUI thread, not while a read runs.
    void forgetTrack();
    // What a track loaded beside the recordings said of this one (it covers it in full or in
    // part, or not at all); shown with the row. Empty when nothing was said.
    QString trackNote;
    // Set while a worker reads this recording's track; GUI thread only.
    bool trackLoading = false;
    // Set once a read has finished, whether it found a track or not.
    bool trackTried = false;
    // Beside a track cache: the user's choice of the recording's track, kNoTrackChoice,
    // kVideoTrackChoice (the video's own, never a side file), kSideFileChoice (the side file,
    // even over the video's own) or a loaded track's path; without it the viewer chooses. With
    // kNoTrackChoice nothing is read.
    static QString trackChoicePath(const QString &cachePath);
    // The cache's name without the HiSilicon marker: what is kept beside a cache (a choice, a
    // clock correction) is found by it whichever name the track was read under.
    static QString unmarkedCachePath(const QString &cachePath);
    static inline const QString kNoTrackChoice = QStringLiteral("none");
    static inline const QString kVideoTrackChoice = QStringLiteral("video");
    static inline const QString kSideFileChoice = QStringLiteral("side");
    static QString trackChoiceIn(const QString &cachePath);
    // Whether a non-empty track cache exists under cachePath or its HiSilicon name.
    static bool hasTrackCache(const QString &cachePath);
    // Looked at where the model was built, off the GUI thread; the first queueing of its
    // track takes it instead of looking again. -1: not looked, 0: no cache, 1: a cache.
    void noteTrackCache() { trackCacheNoted = hasTrackCache(trackCachePath) ? 1 : 0; }
    int trackCacheNoted = -1;

    // What the file list shows of the track: still to come, there, or none (no GPS).
    enum class TrackState { Pending, Present, Absent };
    TrackState trackState() const;

    float videoDuration = 0;
    QString fileName;
    QString nativePath;
    QString previewPath;
    QString fileStem;
    QString trackCachePath;
    QString identityPath;
    bool isPlaying = false;
    QModelIndex rowIndex;
    QDateTime fileClock; // the file's modification time as wall-clock digits (UTC spec), for drives
    bool trackLoaded = false;
    QMutex trackMutex;
    QList<LuGPSModel *> track;
    QString routeTextBd;
    QString routeTextWgs;
    QString routeTextWgs2;
    float maxSpeed = 0;
    float averageSpeed = 0;
    float totalDistance = 0;
    float durationSeconds = 0;
    QString startTimeText;
    QString endTimeText;
    int videoWidth = 0;
    int videoHeight = 0;
    QList<float> gsensorX;
    QList<float> gsensorY;
    QList<float> gsensorZ;
    bool hasGsensor = false;
    QVector<DrivingEvent> drivingEvents; // hard braking, hard acceleration and jolts, in order
    QVector<DrivingEvent> carEvents;     // the car's own, given by attachCarEvents, in order
    int channelCount = 1;
    int channelIndex = 0;
    bool carCameras = false; // named as the car's cameras, whose recordings hold up to six
    // The partners' files found beside this one, in channel order.
    QStringList siblingPaths;
    LuFileInfoModel *prevChannel = nullptr;
    LuFileInfoModel *nextChannel = nullptr;
    bool fineGScale = false;

private:
    void findSiblings(const QStringList &candidates);
    void takeTrack(TrackLoadResult *result);
};

Q_DECLARE_METATYPE(LuFileInfoModel *)

// Keeps candidate in the library unless a model of the same file is already there: then the
// candidate is deleted and the existing model returned. Models compared before a match (all of
// them when there is none) stop counting as playing.
LuFileInfoModel *addUniqueModel(QList<LuFileInfoModel *> &list, LuFileInfoModel *candidate);

// Sorts the list by path, links the channels of each recording front -> back -> inside (only
// through a back file; the car's cameras in channel order, whichever of them are there), and
// stores the paths as the last session's file list.
void sortAndLinkFileList(QList<LuFileInfoModel *> &list);
// The same without storing the list: for a listing that is not the viewer's session.
void linkChannels(QList<LuFileInfoModel *> &list);

// Removes the model from the list and clears every link to it. Two back files may both link to
// one front file, so its own two links do not name every model that points at it.
void takeModelOut(QList<LuFileInfoModel *> &list, LuFileInfoModel *model);

// The time text of a point as a string, and read back as a local date and time.
QString recordTimeText(const LuGPSModel *point);
QDateTime parseRecordTime(const LuGPSModel *point);
