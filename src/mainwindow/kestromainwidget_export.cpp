// Taking a file's track out of the viewer, for other GPS tools.
#include "kestromainwidget.h"

#include "hwdefaultsettings.h"
#include "hwdevicetreeview.h"
#include "lufileinfomodel.h"
#include "trackexport.h"
#include "ui_kestromainwidget.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QSaveFile>

bool KestroMainWidget::exportTrack(LuFileInfoModel *model, const QString &path)
{
    model->loadTrack();
    QFile cache(model->trackCachePath);
    if (!model->trackLoaded || !cache.open(QIODevice::ReadOnly)) {
        qWarning() << "KestroMainWidget::exportTrack: no track for" << model->nativePath;
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
        qWarning() << "KestroMainWidget::exportTrack: cannot write" << path << out.errorString();
        return false;
    }
    qWarning() << "KestroMainWidget::exportTrack" << points.size() << "points to" << path;
    return true;
}

void KestroMainWidget::showFileListMenu(const QPoint &pos)
{
    if (const Drive *drive = ui->treeView_filelist->driveHeaderAt(pos)) {
        showDriveMenu(*drive, pos);
        return;
    }
    LuFileInfoModel *model = HWDeviceTreeView::modelAt(ui->treeView_filelist->indexAt(pos));
    if (!model)
        return;
    auto *menu = new QMenu(ui->treeView_filelist);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    styleMenu(menu);
    menu->addAction(tr("导出轨迹…"), this, [this, model] {
        const QString suggested = QFileInfo(HWDefaultSettings::instance()->videoDir(),
                                            model->fileStem + QStringLiteral(".gpx"))
                                      .filePath();
        const QString path = QFileDialog::getSaveFileName(
            this, tr("导出轨迹…"), suggested, QStringLiteral("GPX (*.gpx);;CSV (*.csv)"));
        if (!path.isEmpty())
            exportTrack(model, path);
    });
    menu->addAction(tr("导出片段…"), this, [this, model] { showClipExport(model); });
    menu->popup(ui->treeView_filelist->viewport()->mapToGlobal(pos));
}
