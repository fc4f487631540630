// Driving events of the open recording: ticks on the progress bar, markers on the map, and
// jumps to the lead-up of the previous or next one.
#include "kestromainwidget.h"

#include "channelsync.h"
#include "hwdefaultsettings.h"
#include "lufileinfomodel.h"
#include "luprogressslider.h"
#include "playlabel.h"
#include "hwplaywidget.h"
#include "ui_kestromainwidget.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
// A jump lands this long before the event, so the lead-up is seen.
constexpr int leadUpSeconds = 5;

QColor colourOf(DrivingEventKind kind)
{
    switch (kind) {
    case DrivingEventKind::HardBraking:
        return QColor(229, 57, 53);
    case DrivingEventKind::HardAcceleration:
        return QColor(255, 179, 0);
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
    case DrivingEventKind::Jolt:
        break;
    }
    return QStringLiteral("jolt");
}

int leadUpOf(const DrivingEvent &event)
{
    return qMax(0, event.startSecond - leadUpSeconds);
}
} // namespace

QString KestroMainWidget::drivingEventText(const DrivingEvent &event)
{
    const int s = event.peakSecond;
    const QString at = QString::asprintf("%.2d:%.2d:%.2d", s / 3600, (s % 3600) / 60, s % 60);
    if (event.kind == DrivingEventKind::Jolt)
        return tr("颠簸 %1 g, %2").arg(event.peakValue, 0, 'f', 1).arg(at);
    const bool mph = HWDefaultSettings::instance()->speedUnit() == 1;
    const double factor = mph ? 0.621371 : 1.0;
    const QString unit = mph ? QStringLiteral("mph") : QStringLiteral("km/h");
    const QString kind =
        event.kind == DrivingEventKind::HardBraking ? tr("急刹车") : tr("急加速");
    return QStringLiteral("%1 %2 → %3 %4, %5")
        .arg(kind)
        .arg(qRound(event.speedBeforeKmh * factor))
        .arg(qRound(event.speedAfterKmh * factor))
        .arg(unit, at);
}

void KestroMainWidget::showDrivingEvents()
{
    QVector<LuProgressSlider::Mark> marks;
    if (m_channelModel1 && m_playState != 0) {
        for (const DrivingEvent &event : qAsConst(m_channelModel1->drivingEvents))
            marks.append({event.peakSecond, colourOf(event.kind), drivingEventText(event)});
    }
    ui->horizontalSlider_progress->setMarks(marks);
}

void KestroMainWidget::jumpToDrivingEvent(int direction)
{
    if (m_playState == 0 || !m_channelModel1 || m_channelModel1->drivingEvents.isEmpty())
        return;
    const double now = ui->widget_display_1->player()->position();
    if (now < 0)
        return;
    const QVector<DrivingEvent> &events = m_channelModel1->drivingEvents;
    int target = -1;
    if (direction > 0) {
        for (const DrivingEvent &event : events) {
            if (event.startSecond - leadUpSeconds > now + 0.5) {
                target = leadUpOf(event);
                break;
            }
        }
    } else {
        // A second's grace, so pressing again goes on to the one before.
        for (auto it = events.crbegin(); it != events.crend(); ++it) {
            if (it->startSecond - leadUpSeconds < now - 1.0) {
                target = leadUpOf(*it);
                break;
            }
        }
    }
    if (target < 0)
        return;
    qWarning() << "KestroMainWidget::jumpToDrivingEvent" << direction << "to" << target;
    seekToSecond(target);
}

void KestroMainWidget::seekToSecond(int second)
{
    if (m_playState == 0 || !m_channelModel1)
        return;
    const int target = qBound(0, second, ui->horizontalSlider_progress->maximum());
    m_channelSync->seek(target, true);
    updateProgress(target);
}

QString KestroMainWidget::mapOptions() const
{
    // Fixed bands in each unit, so a colour means the same speed on every recording.
    const bool mph = HWDefaultSettings::instance()->speedUnit() == 1;
    const QJsonObject scale{
        {QStringLiteral("unit"), mph ? QStringLiteral("mph") : QStringLiteral("km/h")},
        {QStringLiteral("factor"), mph ? 1.150779 : 1.852},
        {QStringLiteral("bands"), mph ? QJsonArray{20, 40, 55, 75} : QJsonArray{30, 60, 90, 120}}};
    QJsonArray events;
    if (m_channelModel1) {
        for (const DrivingEvent &event : qAsConst(m_channelModel1->drivingEvents))
            events.append(QJsonObject{{QStringLiteral("t"), event.peakSecond},
                                      {QStringLiteral("lead"), leadUpOf(event)},
                                      {QStringLiteral("kind"), pageKindOf(event.kind)},
                                      {QStringLiteral("text"), drivingEventText(event)}});
    }
    // JSON text is a valid script literal; the texts are ours (kind, speeds, time), never a
    // file name.
    return QString::fromUtf8(
        QJsonDocument(QJsonObject{{QStringLiteral("scale"), scale}, {QStringLiteral("events"), events}})
            .toJson(QJsonDocument::Compact));
}
