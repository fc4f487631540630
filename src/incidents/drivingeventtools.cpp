#include "drivingeventtools.h"

#include "carevent.h"
#include "careventattach.h"
#include "hwdefaultsettings.h"
#include "incidentslog.h"
#include "library.h"
#include "lufileinfomodel.h"
#include "luprogressslider.h"
#include "playbacksession.h"

#include <QCoreApplication>
#include <QDebug>
#include <QJsonObject>

#include <cmath>

namespace {
QColor colourOf(DrivingEventKind kind)
{
    switch (kind) {
    case DrivingEventKind::HardBraking:
        return QColor(229, 57, 53);
    case DrivingEventKind::HardAcceleration:
        return QColor(255, 179, 0);
    case DrivingEventKind::CarEvent:
        return QColor(30, 136, 229);
    case DrivingEventKind::Jolt:
        break;
    }
    return QColor(171, 71, 188);
}

// The names the map page knows the kinds by.
QString pageKindOf(DrivingEventKind kind)
{
    switch (kind) {
    case DrivingEventKind::HardBraking:
        return QStringLiteral("braking");
    case DrivingEventKind::HardAcceleration:
        return QStringLiteral("acceleration");
    case DrivingEventKind::CarEvent:
        return QStringLiteral("car");
    case DrivingEventKind::Jolt:
        break;
    }
    return QStringLiteral("jolt");
}

QString eventText(const char *text)
{
    return QCoreApplication::translate("KestroMainWidget", text);
}
} // namespace

DrivingEventTools::DrivingEventTools(PlaybackSession *session, Library *library,
                                     LuProgressSlider *progress, QObject *parent)
    : QObject(parent), m_session(session), m_progress(progress)
{
    connect(session, &PlaybackSession::opened, this, &DrivingEventTools::showTicks);
    connect(session, &PlaybackSession::stopped, this, &DrivingEventTools::showTicks);
    connect(library, &Library::trackReady, this, [this](LuFileInfoModel *model) {
        if (model && model == m_session->master())
            showTicks();
    });
    // The car's events are given to the recordings as the list is grouped.
    connect(library, &Library::regrouped, this, &DrivingEventTools::showTicks);
}

int DrivingEventTools::leadUpOf(const DrivingEvent &event)
{
    return qMax(0, event.startSecond - kLeadUpSeconds);
}

QString DrivingEventTools::text(const DrivingEvent &event)
{
    const int s = event.peakSecond;
    const QString at = QString::asprintf("%.2d:%.2d:%.2d", s / 3600, (s % 3600) / 60, s % 60);
    if (event.kind == DrivingEventKind::CarEvent) {
        const QString words = carEventReasonText(event.reason);
        return event.place.isEmpty() ? QStringLiteral("%1, %2").arg(words, at)
                                     : QStringLiteral("%1, %2, %3").arg(words, event.place, at);
    }
    if (event.kind == DrivingEventKind::Jolt)
        return eventText("颠簸 %1 g, %2").arg(event.peakValue, 0, 'f', 1).arg(at);
    const bool mph = HWDefaultSettings::instance()->speedUnit() == 1;
    const double factor = mph ? 0.621371 : 1.0;
    const QString unit = mph ? QStringLiteral("mph") : QStringLiteral("km/h");
    const QString kind =
        event.kind == DrivingEventKind::HardBraking ? eventText("急刹车") : eventText("急加速");
    return QStringLiteral("%1 %2 → %3 %4, %5")
        .arg(kind)
        .arg(qRound(event.speedBeforeKmh * factor))
        .arg(qRound(event.speedAfterKmh * factor))
        .arg(unit, at);
}

QJsonArray DrivingEventTools::mapEvents(const LuFileInfoModel *model)
{
    QJsonArray events;
    if (!model)
        return events;
    for (const DrivingEvent &event : recordingEvents(model)) {
        QJsonObject object{{QStringLiteral("t"), event.peakSecond},
                           {QStringLiteral("lead"), leadUpOf(event)},
                           {QStringLiteral("kind"), pageKindOf(event.kind)},
                           {QStringLiteral("text"), text(event)}};
        // The car's estimate of where it was beats the track's position at that second.
        if (std::isfinite(event.latitude) && std::isfinite(event.longitude)) {
            object.insert(QStringLiteral("lat"), event.latitude);
            object.insert(QStringLiteral("lon"), event.longitude);
        }
        events.append(object);
    }
    return events;
}

void DrivingEventTools::showTicks()
{
    QVector<LuProgressSlider::Mark> marks;
    const LuFileInfoModel *master = m_session->master();
    if (master && m_session->state() != PlaybackSession::Stopped) {
        for (const DrivingEvent &event : recordingEvents(master))
            marks.append({event.peakSecond, colourOf(event.kind), text(event)});
    }
    m_progress->setMarks(marks);
}

void DrivingEventTools::jump(int direction)
{
    const LuFileInfoModel *master = m_session->master();
    const QVector<DrivingEvent> events = recordingEvents(master);
    if (m_session->state() == PlaybackSession::Stopped || events.isEmpty())
        return;
    const double now = m_session->position();
    if (now < 0)
        return;
    int target = -1;
    if (direction > 0) {
        for (const DrivingEvent &event : events) {
            if (event.startSecond - kLeadUpSeconds > now + 0.5) {
                target = leadUpOf(event);
                break;
            }
        }
    } else {
        // A second's grace, so pressing again goes on to the one before.
        for (auto it = events.crbegin(); it != events.crend(); ++it) {
            if (it->startSecond - kLeadUpSeconds < now - 1.0) {
                target = leadUpOf(*it);
                break;
            }
        }
    }
    if (target < 0)
        return;
    qCWarning(lcIncidents) << "DrivingEventTools::jump" << direction << "to" << target;
    m_session->seekToSecond(target);
}
