#include "hwdevicetreeview.h"

#include "hwtreeitemdelegate.h"
#include "library.h"
#include "librarylog.h"
#include "lufileinfomodel.h"

#include <QDebug>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStandardItemModel>

namespace {
constexpr int kRegroupDelayMs = 250;
// Recordings of up to three channels keep a row per file.
constexpr int kMostUnfoldedChannels = 3;
} // namespace

HWDeviceTreeView::HWDeviceTreeView(QWidget *parent)
    : QTreeView(parent), m_items(new QStandardItemModel(0, 1, this)),
      m_delegate(new HWTreeItemDelegate(this))
{
    qRegisterMetaType<LuFileInfoModel *>("LuFileInfoModel");
    setModel(m_items);
    header()->hide();
    setFocusPolicy(Qt::NoFocus);
    setItemDelegate(m_delegate);
    setRootIsDecorated(false);
    setMouseTracking(true);
    connect(m_delegate, &HWTreeItemDelegate::deleteClicked, this,
            &HWDeviceTreeView::willDeleteFileSignal);
    m_regroup.setSingleShot(true);
    m_regroup.setInterval(kRegroupDelayMs);
    connect(&m_regroup, &QTimer::timeout, this, [this] {
        refreshDrives();
        viewport()->update();
    });
}

HWDeviceTreeView::~HWDeviceTreeView()
{
    setItemDelegate(nullptr);
    delete m_delegate;
}

LuFileInfoModel *HWDeviceTreeView::modelAt(const QModelIndex &index)
{
    return index.data(modelRole).value<LuFileInfoModel *>();
}

void HWDeviceTreeView::setFileList(const QList<LuFileInfoModel *> &list)
{
    const int wanted = list.size();
    if (m_items->rowCount() < wanted) {
        for (int row = m_items->rowCount(); row < wanted; ++row)
            m_items->appendRow(new QStandardItem);
    } else if (m_items->rowCount() > wanted) {
        m_items->removeRows(wanted, m_items->rowCount() - wanted);
    }

    for (int row = 0; row < wanted; ++row) {
        LuFileInfoModel *model = list.at(row);
        QStandardItem *item = m_items->item(row, 0);
        item->setToolTip(model->trackNote.isEmpty()
                             ? model->nativePath
                             : model->nativePath + QLatin1Char('\n') + model->trackNote);
        item->setData(QVariant::fromValue(model), modelRole);
        model->rowIndex = item->index();
    }
    m_list = list;
    m_regroup.stop(); // done here, with the models the list holds now
    refreshDrives();
    applyDriveRows(); // rows may have moved under unchanged drives
    // Keep the playing file in sight (once the rows have their heights).
    for (const LuFileInfoModel *model : list)
        if (model->isPlaying && !isRowHidden(model->rowIndex.row(), QModelIndex()) &&
            !geometry().contains(visualRect(model->rowIndex)))
            scrollTo(model->rowIndex, QAbstractItemView::EnsureVisible);
    viewport()->update();
}

void HWDeviceTreeView::repaintFileList()
{
    if (!m_regroup.isActive())
        m_regroup.start();
    viewport()->update();
}

void HWDeviceTreeView::refreshDrives()
{
    // Rows change height or hide only when drives change hands; new figures need a repaint.
    const auto layoutOf = [](const QVector<Drive> &drives) {
        QVector<QList<LuFileInfoModel *>> files;
        for (const Drive &drive : drives)
            files.append(drive.files);
        return files;
    };
    const QVector<QList<LuFileInfoModel *>> before = layoutOf(m_drives);
    m_drives.clear();
    m_headerRows.clear();
    for (const Drive &drive : drivesOf(m_list)) {
        // A single recording keeps its plain row.
        if (drive.recordings.size() < 2)
            continue;
        const LuFileInfoModel *first = nullptr;
        for (const LuFileInfoModel *model : drive.files)
            if (!isFoldedAway(model) && (!first || model->rowIndex.row() < first->rowIndex.row()))
                first = model;
        if (!first)
            continue;
        m_headerRows.insert(first, m_drives.size());
        m_drives.append(drive);
    }
    if (layoutOf(m_drives) != before)
        applyDriveRows();
}

void HWDeviceTreeView::applyDriveRows()
{
    QSet<int> hidden;
    for (const LuFileInfoModel *model : qAsConst(m_list))
        if (isFoldedAway(model))
            hidden.insert(model->rowIndex.row());
    for (auto it = m_headerRows.constBegin(); it != m_headerRows.constEnd(); ++it) {
        const Drive &drive = m_drives.at(it.value());
        if (!isCollapsed(drive))
            continue;
        for (const LuFileInfoModel *model : drive.files)
            if (model != it.key())
                hidden.insert(model->rowIndex.row());
    }
    for (int row = 0; row < m_items->rowCount(); ++row)
        setRowHidden(row, QModelIndex(), hidden.contains(row));
    doItemsLayout(); // header rows are taller
}

bool HWDeviceTreeView::isFoldedChannel(const LuFileInfoModel *model)
{
    return model && model->prevChannel && Library::channelCount(model) > kMostUnfoldedChannels;
}

bool HWDeviceTreeView::isFoldedAway(const LuFileInfoModel *model) const
{
    return isFoldedChannel(model) &&
           !isUnfolded(recordingOf(const_cast<LuFileInfoModel *>(model)));
}

int HWDeviceTreeView::foldedCount(const QModelIndex &index) const
{
    const LuFileInfoModel *model = modelAt(index);
    if (!model || model->prevChannel)
        return 0;
    const int count = Library::channelCount(model);
    return count > kMostUnfoldedChannels ? count : 0;
}

bool HWDeviceTreeView::isUnfolded(const LuFileInfoModel *recording) const
{
    return recording && m_unfolded.contains(recording->identityPath);
}

void HWDeviceTreeView::setUnfolded(const LuFileInfoModel *recording, bool unfolded)
{
    if (unfolded)
        m_unfolded.insert(recording->identityPath);
    else
        m_unfolded.remove(recording->identityPath);
    // A drive's header may move to a row that shows now, or away from one that hides.
    refreshDrives();
    applyDriveRows();
    viewport()->update();
}

const Drive *HWDeviceTreeView::driveHeadedBy(const QModelIndex &index) const
{
    const auto found = m_headerRows.constFind(modelAt(index));
    return found == m_headerRows.constEnd() ? nullptr : &m_drives.at(found.value());
}

const Drive *HWDeviceTreeView::driveHeaderAt(const QPoint &pos) const
{
    const QModelIndex index = indexAt(pos);
    const Drive *drive = driveHeadedBy(index);
    if (!drive || pos.y() >= visualRect(index).top() + HWTreeItemDelegate::headerHeight)
        return nullptr;
    return drive;
}

void HWDeviceTreeView::setCollapsed(const Drive &drive, bool collapsed)
{
    if (collapsed)
        m_collapsed.insert(drive.key);
    else
        m_collapsed.remove(drive.key);
    applyDriveRows();
}

void HWDeviceTreeView::mousePressEvent(QMouseEvent *event)
{
    qCDebug(lcLibrary) << "HWDeviceTreeView::mousePressEvent";
    if (const Drive *drive = driveHeaderAt(event->pos())) {
        // The arrow folds the drive; a header selects nothing, its menu comes from the window.
        if (event->button() == Qt::LeftButton &&
            event->pos().x() < HWTreeItemDelegate::headerArrowWidth)
            setCollapsed(*drive, !isCollapsed(*drive));
        return;
    }
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid())
        clearSelection();
    if (event->button() == Qt::LeftButton && foldedCount(index) > 0) {
        const int rowTop = visualRect(index).top() +
                           (driveHeadedBy(index) ? HWTreeItemDelegate::headerHeight : 0);
        if (HWTreeItemDelegate::foldRect(viewport()->width(), rowTop).contains(event->pos())) {
            const LuFileInfoModel *recording = modelAt(index);
            setUnfolded(recording, !isUnfolded(recording));
            return;
        }
    }
    QTreeView::mousePressEvent(event);
}

void HWDeviceTreeView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (const Drive *drive = driveHeaderAt(event->pos())) {
        if (event->button() == Qt::LeftButton)
            emit drivePlayRequested(drive->recordings.first());
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}
