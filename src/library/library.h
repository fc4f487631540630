#pragma once

#include "drivelist.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QVector>

class LuFileInfoModel;
class ModelBatch;
class TrackLoader;

// The recordings the user has added: one model per file, sorted and linked into recordings,
// grouped into drives, remembered for the next start, with their tracks read in the background.
// It owns the models; nothing here needs a widget.
class Library : public QObject
{
    Q_OBJECT

public:
    // Adding more files than this at once builds their models on a worker.
    static constexpr int kModelsBuiltHere = 64;

    explicit Library(QObject *parent = nullptr);
    // Files of batches still being built are remembered as if listed; the models go.
    ~Library() override;

    const QList<LuFileInfoModel *> &models() const { return m_models; }
    bool contains(const LuFileInfoModel *model) const;

    // Adds files without regrouping: a card's folder is hundreds of files, each checked against
    // the list.
    void addPaths(const QStringList &paths);
    // Adds the files and regroups: a few at once, more once a worker has built their models. The
    // first file's recording is listed at once, so that it can open whole.
    void listPaths(const QStringList &paths);
    // The model of one file, the listed one when the file is listed already.
    LuFileInfoModel *modelFor(const QString &path);
    // Lists the remembered files of the last session that still exist.
    void reopenLastSession();
    // Batches of files whose models a worker is still building.
    int pending() const;
    // Sorts and links the list, stores it as the last session's and queues the tracks not read.
    void regroup();
    // Takes the model out of the list and deletes it; aboutToRemove lets the others let go.
    void remove(LuFileInfoModel *model);
    // Clears every playing mark but those of this file's recording (none for an empty path).
    void keepPlayingMark(const QString &identityPath);

    // Reads the model's track at once on a worker; trackReady follows.
    void loadTrack(LuFileInfoModel *model);

    // The list's next recording after the one whose last channel is anchor; with wrap the first
    // follows the last.
    LuFileInfoModel *recordingAfter(LuFileInfoModel *anchor, bool wrap) const;
    // The front channel of the recording before the one whose front channel is front; the last
    // before the first.
    LuFileInfoModel *recordingBefore(LuFileInfoModel *front) const;
    // The list holds only the files of the recording model belongs to.
    bool holdsOnlyRecordingOf(const LuFileInfoModel *model) const;
    // The recording that starts next after model's (whose length is known), when it continues
    // the same drive with as many channels; null otherwise.
    LuFileInfoModel *nextInDrive(const LuFileInfoModel *model, int channelCount) const;
    // What plays after a run of recordings (one, or several played on from one another without
    // a break) ended with nothing to continue into: the first recording in the list's order past
    // the rows of the run, whichever way the list runs; never one of the run again. Another
    // drive is entered at its first recording in time, so that it plays whole.
    LuFileInfoModel *nextAfterRun(const QList<LuFileInfoModel *> &run) const;
    QVector<Drive> drives() const;

    // The videos among dropped or named paths, in order: files whose name, from its fifth
    // character on, holds ".mp4", ".mov" or ".ts" in any letter case, and every video in a
    // dropped folder (see videoFilesIn). Folders that hold none are added to emptyFolders.
    static QStringList videoPaths(const QList<QUrl> &urls, QStringList *emptyFolders = nullptr);
    // Every file ending in .mp4, .mov or .ts (any letter case) in folder and its subfolders, in
    // path order; hidden folders and the viewer's own cache folder are left out.
    static QStringList videoFilesIn(const QString &folder);
    // A drag may be taken: it carries a local folder or a video file.
    static bool mayHoldVideos(const QList<QUrl> &urls);
    // The open dialog's name filter. Cameras write upper-case names, and a desktop's native
    // dialog may match case-sensitively, so both cases are listed.
    static QString videoFileFilter();
    // The videos among command-line arguments (a file manager's "open with", or a card's
    // folder named in a shell), as if dropped; anything else is logged and skipped.
    static QStringList videoPathsOfArguments(const QStringList &arguments,
                                             QStringList *emptyFolders = nullptr);
    // Channels of the recording a model belongs to, counted through its links.
    static int channelCount(const LuFileInfoModel *model);

signals:
    void filesAdded(int count);
    void aboutToRemove(LuFileInfoModel *model);
    void removed();
    void regrouped();
    void trackReady(LuFileInfoModel *model);

private:
    // Takes the models into the list, dropping those whose file is listed already.
    void adoptModels(const QList<LuFileInfoModel *> &models);
    void rememberPendingFiles();

    QList<LuFileInfoModel *> m_models;
    ModelBatch *m_modelBatch = nullptr;
    TrackLoader *m_trackLoader = nullptr;
};
