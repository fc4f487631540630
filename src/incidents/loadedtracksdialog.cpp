#include "loadedtracksdialog.h"

#include "externaltracks.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
QString localTime(int64_t utcMs)
{
    return utcMs == ExternalFix::kNoTime
               ? QString()
               : QDateTime::fromMSecsSinceEpoch(utcMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}
} // namespace

LoadedTracksDialog::LoadedTracksDialog(ExternalTracks *tracks, QWidget *parent)
    : QDialog(parent), m_tracks(tracks)
{
    setWindowTitle(tr("已加载的 GPS 轨迹"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    m_table = new QTableWidget(0, 4, this);
    m_table->setHorizontalHeaderLabels({tr("文件"), tr("开始"), tr("结束"), tr("点数")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_table);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *add = buttons->addButton(tr("添加 GPS 轨迹…"), QDialogButtonBox::ActionRole);
    m_remove = buttons->addButton(tr("移除"), QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(add, &QPushButton::clicked, this, &LoadedTracksDialog::addRequested);
    connect(m_remove, &QPushButton::clicked, this, [this] {
        const int row = m_table->currentRow();
        if (row >= 0)
            m_tracks->remove(m_table->item(row, 0)->data(Qt::UserRole).toString());
    });
    connect(tracks, &ExternalTracks::loaded, this, &LoadedTracksDialog::refresh);
    connect(tracks, &ExternalTracks::removed, this, &LoadedTracksDialog::refresh);
    refresh();
    resize(640, 280);
}

void LoadedTracksDialog::refresh()
{
    const auto &tracks = m_tracks->tracks();
    m_table->setRowCount(tracks.size());
    for (int row = 0; row < tracks.size(); ++row) {
        const ExternalTrack &track = *tracks[row];
        auto *name = new QTableWidgetItem(QFileInfo(track.path).fileName());
        name->setData(Qt::UserRole, track.path);
        name->setToolTip(track.path);
        m_table->setItem(row, 0, name);
        m_table->setItem(row, 1, new QTableWidgetItem(localTime(track.startMs())));
        m_table->setItem(row, 2, new QTableWidgetItem(localTime(track.endMs())));
        m_table->setItem(row, 3, new QTableWidgetItem(QString::number(track.fixes.size())));
    }
    m_remove->setEnabled(!tracks.isEmpty());
}
