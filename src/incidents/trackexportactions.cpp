#include "trackexportactions.h"

#include "clipmarks.h"
#include "clockshiftdialog.h"
#include "driveexport.h"
#include "externaltrack.h"
#include "externaltracks.h"
#include "hwdefaultsettings.h"
#include "hwdevicetreeview.h"
#include "incidentslog.h"
#include "library.h"
#include "loadedtracksdialog.h"
#include "lufileinfomodel.h"
#include "menustyle.h"
#include "notice.h"
#include "trackexport.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>
#include <QSaveFile>
#include <QThread>

namespace {
QString menuText(const char *text)
{
    return QCoreApplication::translate("KestroMainWidget", text);
}

// Asks where to save, next to the videos, under the suggested name.
QString askTrackPath(QWidget *parent, const char *title, const QString &name)
{
    const QString suggested =
        QFileInfo(HWDefaultSettings::instance()->videoDir(), name).filePath();
    return QFileDialog::getSaveFileName(parent, menuText(title), suggested,
                                        QStringLiteral("GPX (*.gpx);;CSV (*.csv)"));
}
} // namespace

TrackExportActions::TrackExportActions(Library *library, ClipMarks *clips,
                                       ExternalTracks *external, HWDeviceTreeView *fileList,
                                       QObject *parent)
    : QObject(parent), m_library(library), m_clips(clips), m_external(external),
      m_fileList(fileList)
{
    connect(external, &ExternalTracks::loaded, this, [this](const QString &, const QString &error) {
        if (!error.isEmpty())
            showNotice(m_fileList->window(), error);
    });
    connect(external, &ExternalTracks::matched, this, [this](int recordings, int given) {
        if (given == 0)
            showNotice(m_fileList->window(), recordings == 0
                                                 ? menuText("没有缺少 GPS 轨迹的录像")
                                                 : menuText("已加载的 GPS 轨迹不覆盖任何录像"));
        m_fileList->repaintFileList();
    });
}

ClockShiftDialog *TrackExportActions::showClockShift(LuFileInfoModel *recording)
{
    if (!m_library->contains(recording))
        return nullptr;
    const QVector<Drive> drives = m_library->drives();
    const Drive *drive = driveHolding(drives, recording);
    auto *dialog = new ClockShiftDialog(m_external, recording,
                                        drive ? drive->recordings : QList<LuFileInfoModel *>{recording},
                                        m_fileList->window());
    dialog->show();
    return dialog;
}

void TrackExportActions::addTrackChoices(QMenu *menu, LuFileInfoModel *recording)
{
    applyMenuStyle(menu);
    const QString chosen = m_external->choiceOf(recording);
    QList<std::pair<QString, QString>> choices{
        {menuText("自动（录像、旁边的文件或已加载的轨迹）"), QString()},
        {menuText("无"), ExternalTracks::kNoTrack},
        {menuText("录像自带的轨迹"), ExternalTracks::kVideoTrack}};
    const QString side = sideTrackFileOf(recording->nativePath);
    if (!side.isEmpty())
        choices.append({menuText("旁边的文件 %1").arg(QFileInfo(side).fileName()),
                        ExternalTracks::kSideFile});
    for (const auto &track : m_external->tracks())
        choices.append({QFileInfo(track->path).fileName(), track->path});
    for (const auto &choice : choices) {
        QAction *action = menu->addAction(choice.first, this, [this, recording, choice] {
            if (m_library->contains(recording))
                m_external->choose(recording, choice.second);
        });
        action->setCheckable(true);
        action->setChecked(choice.second == chosen);
    }
}

LoadedTracksDialog *TrackExportActions::showLoadedTracks()
{
    auto *dialog = new LoadedTracksDialog(m_external, m_fileList->window());
    connect(dialog, &LoadedTracksDialog::addRequested, this, &TrackExportActions::askForTrackFiles);
    dialog->show();
    return dialog;
}

void TrackExportActions::askForTrackFiles()
{
    const QStringList paths = QFileDialog::getOpenFileNames(
        m_fileList->window(), menuText("添加 GPS 轨迹…"), HWDefaultSettings::instance()->videoDir(),
        QStringLiteral("GPS (*.gpx *.GPX *.kml *.KML *.nmea *.NMEA *.log *.LOG)"));
    loadTrackFiles(paths);
}

void TrackExportActions::loadTrackFiles(const QStringList &paths)
{
    for (const QString &path : paths)
        m_external->load(path);
}

bool TrackExportActions::exportTrack(LuFileInfoModel *model, const QString &path)
{
    model->loadTrack();
    QFile cache(model->trackCachePath);
    if (!model->trackLoaded || !cache.open(QIODevice::ReadOnly)) {
        qCWarning(lcIncidents) << "TrackExportActions::exportTrack: no track for"
                               << model->nativePath;
        return false;
    }
    // The viewer reads every cached speed as knots; the export says the same.
    TrackExportOptions options;
    options.haisiScale = model->fineGScale;
    const QVector<TrackPoint> points = trackPointsFromText(cache.readAll(), options);
    const bool csv = path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
    const QByteArray text =
        csv ? trackCsvHeader() + trackPointsToCsv(points)
            : tracksToGpx({{model->fileStem, points}}, QStringLiteral("Q-MARL"));

    // Written whole or not at all: a half-written file would look like a short drive.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        qCWarning(lcIncidents) << "TrackExportActions::exportTrack: cannot write" << path
                               << out.errorString();
        return false;
    }
    qCWarning(lcIncidents) << "TrackExportActions::exportTrack" << points.size() << "points to"
                           << path;
    return true;
}

void TrackExportActions::showMenu(const QPoint &pos)
{
    if (const Drive *drive = m_fileList->driveHeaderAt(pos)) {
        showDriveMenu(*drive, pos);
        return;
    }
    LuFileInfoModel *model = HWDeviceTreeView::modelAt(m_fileList->indexAt(pos));
    if (!model)
        return;
    auto *menu = new QMenu(m_fileList);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    applyMenuStyle(menu);
    menu->addAction(menuText("导出轨迹…"), this, [this, model] {
        const QString path =
            askTrackPath(m_fileList->window(), "导出轨迹…", model->fileStem + QStringLiteral(".gpx"));
        if (!path.isEmpty())
            exportTrack(model, path);
    });
    menu->addAction(menuText("导出片段…"), this, [this, model] { m_clips->showExport(model); });
    menu->addSeparator();
    menu->addAction(menuText("添加 GPS 轨迹…"), this, &TrackExportActions::askForTrackFiles);
    menu->addAction(menuText("已加载的 GPS 轨迹…"), this, &TrackExportActions::showLoadedTracks);
    addTrackChoices(menu->addMenu(menuText("GPS 轨迹来源")), recordingOf(model));
    // A recording with its camera's own track, or one that takes or may take its track from a
    // loaded one, may have its clock set right.
    LuFileInfoModel *recording = recordingOf(model);
    const bool own = m_external->shiftTargetOf(recording) == ClockShift::Target::OwnTrack;
    menu->addAction(menuText("校正时钟…"), this, [this, recording] { showClockShift(recording); })
        ->setEnabled(own || (!m_external->tracks().isEmpty() &&
                             (m_external->gave(recording) ||
                              recording->trackState() == LuFileInfoModel::TrackState::Absent)));
    menu->popup(m_fileList->viewport()->mapToGlobal(pos));
}

void TrackExportActions::showDriveMenu(const Drive &drive, const QPoint &pos)
{
    auto *menu = new QMenu(m_fileList);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    applyMenuStyle(menu);
    const QList<LuFileInfoModel *> recordings = drive.recordings;
    menu->addAction(menuText("导出行程轨迹…"), this, [this, recordings] {
        const QString path = askTrackPath(m_fileList->window(), "导出行程轨迹…",
                                          recordings.first()->fileStem +
                                              QStringLiteral("_drive.gpx"));
        if (!path.isEmpty())
            exportDriveTrack(recordings, path);
    });
    menu->addAction(menuText("导出行程视频…"), this,
                    [this, recordings] { m_clips->showDriveExport(recordings); });
    menu->popup(m_fileList->viewport()->mapToGlobal(pos));
}

void TrackExportActions::exportDriveTrack(const QList<LuFileInfoModel *> &recordings,
                                          const QString &path)
{
    QVector<DriveExportPart> parts;
    for (LuFileInfoModel *recording : recordings) {
        // A recording deleted while the menu was open is left out.
        if (!m_library->contains(recording))
            continue;
        const LuFileInfoModel *track = trackOfRecording(recording);
        parts.append({track->fileStem, track->trackSource()});
    }
    QPointer<TrackExportActions> self(this);
    QThread *worker = QThread::create([parts, path, self] {
        const bool ok = writeDriveTrack(parts, path);
        if (self)
            QMetaObject::invokeMethod(self, [self, ok] {
                if (self)
                    emit self->driveTrackExported(ok);
            }, Qt::QueuedConnection);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start(QThread::LowPriority);
}
