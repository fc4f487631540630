// Clip export from the window: the in- and out-point keys, and the dialog opened from the
// picture's and the file list's menus.
#include "kestromainwidget.h"

#include "clipexportdialog.h"
#include "hwdefaultsettings.h"
#include "hwplaywidget.h"
#include "lufileinfomodel.h"
#include "luprogressslider.h"
#include "playlabel.h"
#include "ui_kestromainwidget.h"

#include <QDebug>
#include <QFile>

#include <cmath>

namespace {
// Without marks the proposal reaches this far either side of the current position.
constexpr double kProposalReach = 30.0;

// A recording's channels, front first, through the links of the file list.
QList<LuFileInfoModel *> channelsOf(LuFileInfoModel *model)
{
    LuFileInfoModel *front = model;
    for (int guard = 0; front->prevChannel && guard < 3; ++guard)
        front = front->prevChannel;
    QList<LuFileInfoModel *> channels;
    for (LuFileInfoModel *c = front; c && channels.size() < 3; c = c->nextChannel)
        channels << c;
    return channels;
}
} // namespace

void KestroMainWidget::setClipPoint(bool in)
{
    if (m_playState == 0 || !m_channelModel1)
        return;
    const double now = ui->widget_display_1->player()->position();
    if (now < 0)
        return;
    // A point that would turn the range round drops the other one.
    if (in) {
        m_clipIn = now;
        if (m_clipOut >= 0 && m_clipOut <= now)
            m_clipOut = -1;
    } else {
        m_clipOut = now;
        if (m_clipIn >= 0 && m_clipIn >= now)
            m_clipIn = -1;
    }
    qWarning() << "KestroMainWidget::setClipPoint" << (in ? "in" : "out") << now;
    ui->horizontalSlider_progress->setClipRange(m_clipIn < 0 ? -1 : int(m_clipIn),
                                                m_clipOut < 0 ? -1 : int(std::ceil(m_clipOut)));
}

void KestroMainWidget::clearClipPoints()
{
    m_clipIn = m_clipOut = -1;
    ui->horizontalSlider_progress->setClipRange(-1, -1);
}

ClipExportDialog *KestroMainWidget::showClipExport(LuFileInfoModel *model)
{
    const bool open = m_playState != 0 && m_channelModel1 &&
                      (!model || model == m_channelModel1 || model == m_channelModel2 ||
                       model == m_channelModel3);
    QList<LuFileInfoModel *> channels;
    double now = 0, length = 0, from = -1, to = -1;
    if (open) {
        // The channels as the window shows them, pane 1 first.
        for (LuFileInfoModel *c : {m_channelModel1, m_channelModel2, m_channelModel3})
            if (c)
                channels << c;
        now = qMax(0.0, ui->widget_display_1->player()->position());
        length = m_channelModel1->videoDuration;
        from = m_clipIn;
        to = m_clipOut;
    } else if (model) {
        channels = channelsOf(model);
        length = channels.front()->videoDuration;
    } else {
        return nullptr;
    }

    ClipRequest request;
    for (const LuFileInfoModel *c : qAsConst(channels))
        request.channels << c->nativePath;
    // A missing mark is proposed half a minute beyond the position or the other mark.
    request.from = from >= 0 ? from : qMax(0.0, (to >= 0 ? qMin(now, to) : now) - kProposalReach);
    request.to = to >= 0 ? to : qMax(now, request.from) + kProposalReach;
    if (length > 0)
        request.to = qMin(request.to, double(length));
    request.targetDir = HWDefaultSettings::instance()->clipDir();
    request.mph = HWDefaultSettings::instance()->speedUnit() == 1;
    if (open) {
        request.splitType = m_splitType;
        const QList<HWPlayWidget *> all = panes();
        request.keepRatio = {all[0]->isKeepRatio(), all[1]->isKeepRatio(),
                             all[2]->isKeepRatio()};
    }
    // The track as the viewer has it; without a cache the export extracts it itself.
    QFile cache(channels.front()->trackCachePath);
    if (cache.size() > 0 && cache.open(QIODevice::ReadOnly)) {
        request.trackGiven = true;
        request.trackText = cache.readAll();
        // The viewer reads every cached speed as knots; the export says the same.
        request.trackOptions.haisiScale = channels.front()->fineGScale;
    }
    auto *dialog = new ClipExportDialog(request, this);
    dialog->show();
    return dialog;
}
