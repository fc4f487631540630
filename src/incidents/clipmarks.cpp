#include "clipmarks.h"

#include "clipexportdialog.h"
#include "hwdefaultsettings.h"
#include "lufileinfomodel.h"
#include "luprogressslider.h"
#include "playbacksession.h"

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

ClipMarks::ClipMarks(PlaybackSession *session, LuProgressSlider *progress, QWidget *dialogParent,
                     LayoutOf layoutOf, QObject *parent)
    : QObject(parent), m_session(session), m_progress(progress), m_dialogParent(dialogParent),
      m_layoutOf(std::move(layoutOf))
{
    connect(session, &PlaybackSession::recordingBound, this, &ClipMarks::clear);
    connect(session, &PlaybackSession::stopped, this, &ClipMarks::clear);
}

void ClipMarks::setPoint(bool in)
{
    if (m_session->state() == PlaybackSession::Stopped || !m_session->master())
        return;
    const double now = m_session->position();
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
    qWarning() << "ClipMarks::setPoint" << (in ? "in" : "out") << now;
    m_progress->setClipRange(m_clipIn < 0 ? -1 : int(m_clipIn),
                             m_clipOut < 0 ? -1 : int(std::ceil(m_clipOut)));
}

void ClipMarks::clear()
{
    m_clipIn = m_clipOut = -1;
    m_progress->setClipRange(-1, -1);
}

ClipExportDialog *ClipMarks::showExport(LuFileInfoModel *model)
{
    const bool open = m_session->state() != PlaybackSession::Stopped && m_session->master() &&
                      (!model || m_session->isOpen(model));
    QList<LuFileInfoModel *> channels;
    double now = 0, length = 0, from = -1, to = -1;
    if (open) {
        // The channels as the window shows them, pane 1 first.
        channels = m_session->openChannels();
        now = qMax(0.0, m_session->position());
        length = m_session->master()->videoDuration;
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
    if (open && m_layoutOf)
        m_layoutOf(request);
    // The track as the viewer has it; without a cache the export extracts it itself.
    QFile cache(channels.front()->trackCachePath);
    if (cache.size() > 0 && cache.open(QIODevice::ReadOnly)) {
        request.trackGiven = true;
        request.trackText = cache.readAll();
        // The viewer reads every cached speed as knots; the export says the same.
        request.trackOptions.haisiScale = channels.front()->fineGScale;
    }
    auto *dialog = new ClipExportDialog(request, m_dialogParent);
    dialog->show();
    return dialog;
}
