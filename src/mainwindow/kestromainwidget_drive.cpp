// Drives: a day's consecutive recordings played, drawn and exported as one.
#include "kestromainwidget.h"

#include "driveexport.h"
#include "drivelist.h"
#include "hwdefaultsettings.h"
#include "hwdevicetreeview.h"
#include "lufileinfomodel.h"
#include "mapbridge.h"
#include "ui_kestromainwidget.h"

#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>
#include <QThread>

#include <algorithm>

void KestroMainWidget::playDrive(LuFileInfoModel *firstRecording)
{
    if (!m_libraryModels.contains(firstRecording))
        return;
    on_treeView_filelist_doubleClicked(firstRecording->rowIndex);
}

void KestroMainWidget::showDriveMenu(const Drive &drive, const QPoint &pos)
{
    auto *menu = new QMenu(ui->treeView_filelist);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    styleMenu(menu);
    const QList<LuFileInfoModel *> recordings = drive.recordings;
    menu->addAction(tr("导出行程轨迹…"), this, [this, recordings] {
        const QString suggested =
            QFileInfo(HWDefaultSettings::instance()->videoDir(),
                      recordings.first()->fileStem + QStringLiteral("_drive.gpx"))
                .filePath();
        const QString path = QFileDialog::getSaveFileName(
            this, tr("导出行程轨迹…"), suggested, QStringLiteral("GPX (*.gpx);;CSV (*.csv)"));
        if (!path.isEmpty())
            exportDriveTrack(recordings, path);
    });
    menu->popup(ui->treeView_filelist->viewport()->mapToGlobal(pos));
}

void KestroMainWidget::exportDriveTrack(const QList<LuFileInfoModel *> &recordings,
                                        const QString &path)
{
    QVector<DriveExportPart> parts;
    for (LuFileInfoModel *recording : recordings) {
        // A recording deleted while the menu was open is left out.
        if (!m_libraryModels.contains(recording))
            continue;
        const LuFileInfoModel *track = trackOfRecording(recording);
        parts.append({track->fileStem, track->trackSource()});
    }
    QPointer<KestroMainWidget> window(this);
    QThread *worker = QThread::create([parts, path, window] {
        const bool ok = writeDriveTrack(parts, path);
        if (window)
            QMetaObject::invokeMethod(window, [window, ok] {
                if (window)
                    emit window->driveTrackExported(ok);
            }, Qt::QueuedConnection);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start(QThread::LowPriority);
}

bool KestroMainWidget::belongsToDrawnDrive(const LuFileInfoModel *model) const
{
    if (m_mapDriveRecordings.isEmpty())
        return false;
    for (const LuFileInfoModel *recording : m_mapDriveRecordings)
        for (const LuFileInfoModel *c = recording; c; c = c->nextChannel)
            if (c == model)
                return true;
    return false;
}

QString KestroMainWidget::driveMapOption()
{
    m_mapDriveRecordings.clear();
    QVector<int> seconds;
    const QVector<Drive> drives = drivesOf(m_libraryModels);
    const Drive *drive = m_channelModel1 ? driveHolding(drives, m_channelModel1) : nullptr;
    if (!drive || drive->recordings.size() < 2) {
        m_mapBridge->setDriveSecondCounts(seconds);
        return QString();
    }
    const LuFileInfoModel *open = recordingOf(m_channelModel1);
    QStringList before, after;
    bool passed = false;
    for (LuFileInfoModel *recording : drive->recordings) {
        if (recording == open) {
            passed = true;
            continue;
        }
        const LuFileInfoModel *track = trackOfRecording(recording);
        // The route text holds numbers only (built by the track cache); the id is an index.
        const QString route = routeTextForMap(track);
        const QString part = QStringLiteral("{id:%1,points:%2}")
                                 .arg(m_mapDriveRecordings.size())
                                 .arg(route.isEmpty() ? QStringLiteral("[]") : route);
        (passed ? after : before) << part;
        m_mapDriveRecordings << recording;
        seconds << track->track.size();
    }
    m_mapBridge->setDriveSecondCounts(seconds);
    return QStringLiteral("{before:[%1],after:[%2]}")
        .arg(before.join(QLatin1Char(',')), after.join(QLatin1Char(',')));
}

void KestroMainWidget::playRecordingAt(int id, int second)
{
    LuFileInfoModel *target = m_mapDriveRecordings.value(id);
    // Deleted since the drive was drawn, or a stale id: nothing to play.
    if (!target || !m_libraryModels.contains(target)) {
        qWarning() << "KestroMainWidget::playRecordingAt: no recording" << id;
        return;
    }
    qWarning() << "KestroMainWidget::playRecordingAt" << target->fileName << second;
    m_seekOnStartModel = target;
    m_seekOnStartSecond = second;
    playDrive(target);
}
