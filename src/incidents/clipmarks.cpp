#include "clipmarks.h"

#include "channelnames.h"
#include "clipexportdialog.h"
#include "drivelist.h"
#include "hwdefaultsettings.h"
#include "incidentslog.h"
#include "library.h"
#include "lufileinfomodel.h"
#include "luprogressslider.h"
#include "playbacksession.h"
#include "recordingrange.h"

#include <QDebug>
#include <QFile>

#include <algorithm>
#include <cmath>

namespace {
// Without marks the proposal reaches this far either side of the current position.
constexpr double kProposalReach = 30.0;

// A recording's channels, front first, through the links of the file list.
QList<LuFileInfoModel *> channelsOf(LuFileInfoModel *model)
{
    LuFileInfoModel *front = model;
    for (int guard = 1; front->prevChannel && guard < kMaxChannels; ++guard)
        front = front->prevChannel;
    QList<LuFileInfoModel *> channels;
    for (LuFileInfoModel *c = front; c && channels.size() < kMaxChannels; c = c->nextChannel)
        channels << c;
    return channels;
}

// The track as the viewer has it; without a cache the export extracts it itself.
bool readTrack(const LuFileInfoModel *front, QByteArray *text)
{
    QFile cache(front->trackCachePath);
    if (cache.size() <= 0 || !cache.open(QIODevice::ReadOnly))
        return false;
    *text = cache.readAll();
    return true;
}

// A recording of a range across a drive; its length is read from its front file by the export.
ClipRecording clipRecordingOf(LuFileInfoModel *recording)
{
    ClipRecording part;
    const QList<LuFileInfoModel *> channels = channelsOf(recording);
    for (const LuFileInfoModel *c : channels)
        part.channels << c->nativePath;
    part.trackGiven = readTrack(channels.front(), &part.trackText);
    return part;
}

ClipRequest settingsRequest()
{
    ClipRequest request;
    request.targetDir = HWDefaultSettings::instance()->clipDir();
    request.mph = HWDefaultSettings::instance()->speedUnit() == 1;
    return request;
}
} // namespace

ClipMarks::ClipMarks(PlaybackSession *session, Library *library, LuProgressSlider *progress,
                     QWidget *dialogParent, LayoutOf layoutOf, QObject *parent)
    : QObject(parent), m_session(session), m_library(library), m_progress(progress),
      m_dialogParent(dialogParent), m_layoutOf(std::move(layoutOf))
{
    // A drive going on into its next recording keeps the marks; anything else starts afresh.
    connect(session, &PlaybackSession::recordingBound, this, [this](bool continuing) {
        if (continuing)
            showRange();
        else
            clear();
    });
    connect(session, &PlaybackSession::stopped, this, &ClipMarks::clear);
}

int ClipMarks::placeOf(const LuFileInfoModel *recording) const
{
    if (!recording || !m_session->master())
        return -1;
    const QVector<Drive> drives = m_library->drives();
    const Drive *drive = driveHolding(drives, recordingOf(m_session->master()));
    if (!drive)
        return -1;
    const auto at = std::find(drive->recordings.cbegin(), drive->recordings.cend(), recording);
    return at == drive->recordings.cend() ? -1 : int(at - drive->recordings.cbegin());
}

void ClipMarks::setPoint(bool in)
{
    if (m_session->state() == PlaybackSession::Stopped || !m_session->master())
        return;
    const double now = m_session->position();
    if (now < 0)
        return;
    (in ? m_in : m_out) = Mark{recordingOf(m_session->master()), now};
    // A point that would turn the range round drops the other one.
    if (m_in.second >= 0 && m_out.second >= 0) {
        const bool sameRecording = m_in.recording == m_out.recording;
        const int inPlace = placeOf(m_in.recording);
        const int outPlace = placeOf(m_out.recording);
        const bool turned = sameRecording ? m_in.second >= m_out.second
                                          : inPlace < 0 || outPlace < 0 || inPlace > outPlace;
        if (turned)
            (in ? m_out : m_in) = Mark{};
    }
    qCWarning(lcIncidents) << "ClipMarks::setPoint" << (in ? "in" : "out") << now;
    showRange();
}

void ClipMarks::clear()
{
    m_in = m_out = Mark{};
    m_progress->setClipRange(-1, -1);
}

void ClipMarks::showRange()
{
    // On the bar of the recording playing: a mark in an earlier recording of the drive starts
    // the range at its beginning, one in a later recording ends it at its end.
    const LuFileInfoModel *current = m_session->master() ? recordingOf(m_session->master()) : nullptr;
    const int here = placeOf(current);
    const auto shown = [&](const Mark &mark, bool in) {
        if (mark.second < 0 || !mark.recording)
            return -1;
        if (mark.recording == current)
            return in ? int(mark.second) : int(std::ceil(mark.second));
        const int place = placeOf(mark.recording);
        if (place < 0 || here < 0)
            return -1;
        if (in)
            return place < here ? 0 : -1;
        return place > here ? int(std::ceil(m_session->master()->videoDuration)) : -1;
    };
    m_progress->setClipRange(shown(m_in, true), shown(m_out, false));
}

ClipExportDialog *ClipMarks::showExport(LuFileInfoModel *model)
{
    const bool open = m_session->state() != PlaybackSession::Stopped && m_session->master() &&
                      (!model || m_session->isOpen(model));
    if (open) {
        // Marks in different recordings of the drive: the range runs across them.
        LuFileInfoModel *current = recordingOf(m_session->master());
        const double now = qMax(0.0, m_session->position());
        const Mark first = m_in.second >= 0 ? m_in : Mark{current, -1};
        const Mark last = m_out.second >= 0 ? m_out : Mark{current, -1};
        const int firstPlace = placeOf(first.recording);
        const int lastPlace = placeOf(last.recording);
        if (first.recording != last.recording && firstPlace >= 0 && lastPlace > firstPlace) {
            const QVector<Drive> drives = m_library->drives();
            const Drive *drive = driveHolding(drives, current);
            ClipRequest request = settingsRequest();
            double before = 0; // the lengths of the recordings before the last one
            for (int i = firstPlace; i <= lastPlace; ++i) {
                LuFileInfoModel *recording = drive->recordings.at(i);
                request.recordings << clipRecordingOf(recording);
                if (i < lastPlace)
                    before += recordingSeconds(recording->nativePath);
            }
            request.from = first.second >= 0 ? first.second : qMax(0.0, now - kProposalReach);
            const double lastLength = recordingSeconds(last.recording->nativePath);
            const double end = last.second >= 0 ? last.second : now + kProposalReach;
            request.to = before + (lastLength > 0 ? qMin(end, lastLength) : end);
            if (m_layoutOf)
                m_layoutOf(request);
            return openDialog(request);
        }
    }

    QList<LuFileInfoModel *> channels;
    double now = 0, length = 0, from = -1, to = -1;
    if (open) {
        // The channels as the window shows them, pane 1 first.
        channels = m_session->openChannels();
        now = qMax(0.0, m_session->position());
        length = m_session->master()->videoDuration;
        const LuFileInfoModel *current = recordingOf(m_session->master());
        from = m_in.recording == current ? m_in.second : -1;
        to = m_out.recording == current ? m_out.second : -1;
    } else if (model) {
        channels = channelsOf(model);
        length = channels.front()->videoDuration;
    } else {
        return nullptr;
    }

    ClipRequest request = settingsRequest();
    for (const LuFileInfoModel *c : qAsConst(channels))
        request.channels << c->nativePath;
    // A missing mark is proposed half a minute beyond the position or the other mark.
    request.from = from >= 0 ? from : qMax(0.0, (to >= 0 ? qMin(now, to) : now) - kProposalReach);
    request.to = to >= 0 ? to : qMax(now, request.from) + kProposalReach;
    if (length > 0)
        request.to = qMin(request.to, double(length));
    if (open && m_layoutOf)
        m_layoutOf(request);
    request.trackGiven = readTrack(channels.front(), &request.trackText);
    // The viewer reads every cached speed as knots; the export says the same.
    request.trackOptions.haisiScale = channels.front()->fineGScale;
    return openDialog(request);
}

ClipExportDialog *ClipMarks::showDriveExport(const QList<LuFileInfoModel *> &recordings)
{
    ClipRequest request = settingsRequest();
    double length = 0;
    for (LuFileInfoModel *recording : recordings) {
        // A recording deleted while the menu was open is left out.
        if (!m_library->contains(recording))
            continue;
        request.recordings << clipRecordingOf(recording);
        length += recordingSeconds(recording->nativePath);
    }
    if (request.recordings.isEmpty())
        return nullptr;
    request.from = 0;
    request.to = length;
    return openDialog(request);
}

ClipExportDialog *ClipMarks::openDialog(ClipRequest &request)
{
    auto *dialog = new ClipExportDialog(request, m_dialogParent);
    dialog->show();
    return dialog;
}
