#include "hwdevicetreeview.h"

#include "hwtreeitemdelegate.h"
#include "lufileinfomodel.h"

#include <QDebug>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPointer>
#include <QStandardItemModel>

namespace {
QPointer<HWDeviceTreeView> s_fileList;
}

HWDeviceTreeView::HWDeviceTreeView(QWidget *parent)
    : QTreeView(parent), m_items(new QStandardItemModel(0, 1, this)),
      m_delegate(new HWTreeItemDelegate(this))
{
    s_fileList = this;
    qRegisterMetaType<LuFileInfoModel *>("LuFileInfoModel");
    setModel(m_items);
    header()->hide();
    setFocusPolicy(Qt::NoFocus);
    setItemDelegate(m_delegate);
    setRootIsDecorated(false);
    setMouseTracking(true);
    connect(m_delegate, &HWTreeItemDelegate::deleteClicked, this,
            &HWDeviceTreeView::willDeleteFileSignal);
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
        item->setToolTip(model->nativePath);
        item->setData(QVariant::fromValue(model), modelRole);
        model->rowIndex = item->index();
        // Keep the playing file in sight.
        if (model->isPlaying && !geometry().contains(visualRect(model->rowIndex)))
            scrollTo(item->index(), QAbstractItemView::EnsureVisible);
    }
    viewport()->update();
}

void HWDeviceTreeView::repaintFileList()
{
    if (s_fileList)
        s_fileList->viewport()->update();
}

void HWDeviceTreeView::mousePressEvent(QMouseEvent *event)
{
    qWarning() << "HWDeviceTreeView::mousePressEvent";
    if (!indexAt(event->pos()).isValid())
        clearSelection();
    QTreeView::mousePressEvent(event);
}
