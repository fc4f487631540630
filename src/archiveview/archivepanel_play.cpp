// What the archive view does with the rest of the window: feeding the indexer, the map's place
// picking and routes, and playing a row (or finding the folder of an offline one).
#include "archivepanel.h"

#include "archiveindexer.h"
#include "archiveviewlog.h"
#include "elidedlabel.h"
#include "drivelist.h"
#include "hwdefaultsettings.h"
#include "library.h"
#include "lufileinfomodel.h"
#include "lugpsmodel.h"
#include "mapview.h"
#include "notice.h"
#include "playbacksession.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidgetItem>

namespace {
// The nearest folder of path that is still there, for the dialog to start in.
QString archiveNearestFolder(const QString &path)
{
    QDir dir = QFileInfo(path).dir();
    while (!dir.exists() && dir.cdUp()) {
    }
    return dir.exists() ? dir.absolutePath() : QDir::homePath();
}
} // namespace

void ArchivePanel::start()
{
    if (m_started)
        return;
    m_started = true;
    m_indexer->start();
    // The thresholds are read only once something is indexed: reading them stores their
    // defaults, which a start without tracks must not do.
    if (!m_early.isEmpty())
        m_indexer->setEventThresholds(HWDefaultSettings::instance()->drivingEventThresholds());
    for (const ArchiveSource &source : qAsConst(m_early))
        m_indexer->addRecording(source);
    m_early.clear();
}

void ArchivePanel::feed(LuFileInfoModel *model)
{
    if (!model)
        return;
    const ArchiveSource source = ArchiveIndexer::sourceOf(*recordingOf(model));
    if (!m_started) {
        m_early.append(source);
        return;
    }
    m_indexer->setEventThresholds(HWDefaultSettings::instance()->drivingEventThresholds());
    m_indexer->addRecording(source);
}

void ArchivePanel::addFolder(const QString &folder)
{
    start();
    m_indexer->setEventThresholds(HWDefaultSettings::instance()->drivingEventThresholds());
    m_indexer->addFolder(folder);
    m_status->setWholeText(tr("正在添加 %1 …").arg(QDir::toNativeSeparators(folder)));
}

void ArchivePanel::setShowing(bool showing)
{
    m_showing = showing;
    if (m_parts.map)
        m_parts.map->setPlacePicking(showing);
}

void ArchivePanel::searchAtMarker()
{
    const PlaybackSession *session = m_parts.session;
    LuFileInfoModel *master = session ? session->master() : nullptr;
    const LuFileInfoModel *track = master ? trackOfRecording(recordingOf(master)) : nullptr;
    const int second = session ? session->shownSecond() : -1;
    const LuGPSModel *fix =
        track && second >= 0 && second < track->track.size() ? track->track.at(second) : nullptr;
    if (!fix || fix->status != 'A') {
        showNotice(this, tr("当前位置未知：请先播放一段有 GPS 轨迹的录像"));
        return;
    }
    searchAt(fix->wgsLatitude, fix->wgsLongitude);
}

void ArchivePanel::showWholeArchive(bool show)
{
    m_routesShown = show;
    if (m_wholeArchive->isChecked() != show)
        m_wholeArchive->setChecked(show); // comes back here once more, with the same value
    if (!m_parts.map)
        return;
    m_parts.map->showArchiveRoutes(show && m_reader.isOpen() ? m_reader.routes()
                                                             : QVector<ArchiveRoute>());
}

void ArchivePanel::play(QTreeWidgetItem *item)
{
    const QString front = item ? item->data(0, FrontRole).toString() : QString();
    if (front.isEmpty() || !m_parts.library || !m_parts.session)
        return;
    if (item->data(0, OfflineRole).toBool() || !QFileInfo::exists(front)) {
        offerToLocate(front);
        return;
    }
    Library *library = m_parts.library;
    // A file already listed keeps its row; else its recording's files are listed now.
    LuFileInfoModel *model = nullptr;
    for (LuFileInfoModel *listed : library->models())
        if (listed->nativePath == front)
            model = listed;
    if (!model) {
        QStringList files{front};
        for (const QString &channel : item->data(0, ChannelsRole).toStringList())
            if (QFileInfo::exists(channel))
                files << channel;
        library->listPaths(files);
        model = library->modelFor(front);
    }
    const int second = item->data(0, SecondRole).toInt();
    qCInfo(lcArchiveView) << "ArchivePanel: playing" << front << "from" << second;
    m_parts.session->playFrom(model, second);
}

void ArchivePanel::offerToLocate(const QString &frontPath)
{
    const QString where = QDir::toNativeSeparators(frontPath);
    if (QMessageBox::question(this, tr("录像不在线"),
                              tr("这段录像不在原处（存储卡或磁盘未连接？）：\n%1\n\n要找到它现在所在的文件夹吗？")
                                  .arg(where)) != QMessageBox::Yes)
        return;
    const QString folder = QFileDialog::getExistingDirectory(this, tr("录像所在的文件夹"),
                                                             archiveNearestFolder(frontPath));
    // The folder's recordings are indexed; those of the same name and size follow there.
    if (!folder.isEmpty())
        addFolder(folder);
}
