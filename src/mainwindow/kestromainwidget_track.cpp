// Tracks arriving from the workers that read them: the open recording's while it plays, and
// the rest of the list's in the background.
#include "kestromainwidget.h"

#include "hwdevicetreeview.h"
#include "lufileinfomodel.h"
#include "lugsensorwidget.h"
#include "regroupfilelist.h"
#include "trackloader.h"
#include "ui_kestromainwidget.h"

#include <QTimer>

namespace {
constexpr int kDriveRedrawMs = 500;
}

void KestroMainWidget::showFileList()
{
    regroupFileList(m_libraryModels, ui->treeView_filelist);
    for (LuFileInfoModel *model : qAsConst(m_libraryModels))
        m_trackLoader->queue(model);
    prepareContinuation(); // a recording added or removed may continue the open one's drive
}

void KestroMainWidget::trackReadySlot(LuFileInfoModel *model)
{
    HWDeviceTreeView::repaintFileList(); // the row's track mark and its drive's figures
    // Another recording of the drive on the map: its part of the route is drawn now.
    if (model && model != m_channelModel1 && belongsToDrawnDrive(model)) {
        if (!m_driveRedrawPending) {
            m_driveRedrawPending = true;
            QTimer::singleShot(kDriveRedrawMs, this, [this] {
                m_driveRedrawPending = false;
                drawTrackOnMap();
                // The new line puts the marker at the start; it belongs where playback is.
                updateProgress(ui->horizontalSlider_progress->value());
            });
        }
        return;
    }
    // Only the master channel's track is shown; the others keep theirs for their next open.
    if (!model || model != m_channelModel1)
        return;
    drawTrackOnMap();
    ui->widget_draw_gsensor->setTrack(m_channelModel1);
    showDrivingEvents();
}
