#pragma once

#include <QList>
#include <QTreeView>

class HWTreeItemDelegate;
class LuFileInfoModel;
class QStandardItemModel;

// The list of added files: one painted row per file, with a play marker and a delete button.
class HWDeviceTreeView : public QTreeView
{
    Q_OBJECT

public:
    explicit HWDeviceTreeView(QWidget *parent = nullptr);
    ~HWDeviceTreeView() override;

    // Brings the rows in line with list, reusing the existing items.
    void setFileList(const QList<LuFileInfoModel *> &list);

    // Repaints the one file list, when it exists.
    static void repaintFileList();

    static constexpr int modelRole = Qt::UserRole + 1;
    static LuFileInfoModel *modelAt(const QModelIndex &index);

signals:
    void willDeleteFileSignal(QModelIndex index);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    QStandardItemModel *m_items;
    HWTreeItemDelegate *m_delegate;
};
