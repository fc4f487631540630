#pragma once

#include "drivelist.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QTimer>
#include <QTreeView>

class HWTreeItemDelegate;
class LuFileInfoModel;
class QStandardItemModel;

// The list of added files: one painted row per file, with a play marker and a delete button;
// the car's many cameras fold into one row. A drive of several recordings gets a header band on
// top of its first row; collapsing it hides the drive's files.
class HWDeviceTreeView : public QTreeView
{
    Q_OBJECT

public:
    explicit HWDeviceTreeView(QWidget *parent = nullptr);
    ~HWDeviceTreeView() override;

    // Brings the rows in line with list, reusing the existing items.
    void setFileList(const QList<LuFileInfoModel *> &list);

    static constexpr int modelRole = Qt::UserRole + 1;
    static LuFileInfoModel *modelAt(const QModelIndex &index);

    // Drives are grouped again and their figures brought up to date: after a track arrived.
    void refreshDrives();
    // The drive whose header is drawn on top of this row, or null.
    const Drive *driveHeadedBy(const QModelIndex &index) const;
    // The drive whose header band lies under the point (viewport coordinates), or null.
    const Drive *driveHeaderAt(const QPoint &pos) const;
    bool isCollapsed(const Drive &drive) const { return m_collapsed.contains(drive.key); }
    void setCollapsed(const Drive &drive, bool collapsed);

    // A recording of four or more channels (a car's cameras) is one row, its front-most file's,
    // with the channel count; a click on the count unfolds it to every file. How many channels
    // the row's recording has when the row stands for it, else 0.
    int foldedCount(const QModelIndex &index) const;
    bool isUnfolded(const LuFileInfoModel *recording) const;
    void setUnfolded(const LuFileInfoModel *recording, bool unfolded);
    // A file of such a recording other than the one standing for it.
    static bool isFoldedChannel(const LuFileInfoModel *model);

public slots:
    // Repaints the list; its drives follow a moment later, so that a card's worth of tracks
    // arriving costs a few regroupings, not one each.
    void repaintFileList();

signals:
    void willDeleteFileSignal(QModelIndex index);
    // A double click on a drive's header: play the drive from its first recording.
    void drivePlayRequested(LuFileInfoModel *firstRecording);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void applyDriveRows();
    // A row the list hides because its recording is folded into its front-most file's row.
    bool isFoldedAway(const LuFileInfoModel *model) const;

    QList<LuFileInfoModel *> m_list;
    QVector<Drive> m_drives;
    QHash<const LuFileInfoModel *, int> m_headerRows; // a drive's first file -> its drive
    QSet<QString> m_collapsed;                        // keys of collapsed drives
    QSet<QString> m_unfolded; // identity paths of many-channel recordings shown file by file
    QTimer m_regroup;
    QStandardItemModel *m_items;
    HWTreeItemDelegate *m_delegate;
};
