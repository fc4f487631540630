// Tracks arriving from the worker that reads them while the recording already plays.
#include "kestromainwidget.h"

#include "lufileinfomodel.h"
#include "lugsensorwidget.h"
#include "ui_kestromainwidget.h"

#include <QDebug>

void KestroMainWidget::trackReadySlot(LuFileInfoModel *model)
{
    // Only the master channel's track is shown; a recording closed or replaced meanwhile keeps
    // its track for the next open but changes nothing on screen.
    if (!model || model != m_channelModel1) {
        qWarning() << "KestroMainWidget::trackReadySlot: not the open recording"
                   << (model ? model->fileName : QString());
        return;
    }
    drawTrackOnMap();
    ui->widget_draw_gsensor->setTrack(m_channelModel1);
    showDrivingEvents();
}
