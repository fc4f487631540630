#include "archivetexts.h"

#include "carevent.h"
#include "hwdefaultsettings.h"

#include <QCoreApplication>

namespace {
constexpr double kArchiveMetresPerMile = 1609.344;

bool archiveInMiles()
{
    return HWDefaultSettings::instance()->speedUnit() == 1;
}

QString archiveTr(const char *text)
{
    return QCoreApplication::translate("ArchivePanel", text);
}
} // namespace

namespace archivetexts {

QString distance(double metres)
{
    return archiveInMiles()
               ? QStringLiteral("%1 mi").arg(metres / kArchiveMetresPerMile, 0, 'f', 1)
               : QStringLiteral("%1 km").arg(metres / 1000, 0, 'f', 1);
}

QString speed(double kmh)
{
    return archiveInMiles() ? QStringLiteral("%1 mph").arg(kmh * 1000 / kArchiveMetresPerMile, 0, 'f', 0)
                            : QStringLiteral("%1 km/h").arg(kmh, 0, 'f', 0);
}

QString events(const ArchiveEventCounts &counts)
{
    int all = 0;
    for (int count : counts)
        all += count;
    return all ? archiveTr("%1 个事件").arg(all) : archiveTr("无事件");
}

QString carEvent(const ArchiveCarEvent &event, const QDateTime &recordingStartUtc)
{
    QStringList parts = {
        recordingStartUtc.addSecs(event.second).toLocalTime().toString(QStringLiteral("HH:mm:ss")),
        carEventReasonText(event.reason)};
    if (!event.place.isEmpty())
        parts << event.place;
    return parts.join(QStringLiteral(" · "));
}

QString localTime(const QDateTime &utc)
{
    return utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString timeRange(const QDateTime &startUtc, const QDateTime &endUtc)
{
    const QDateTime start = startUtc.toLocalTime();
    const QDateTime end = endUtc.toLocalTime();
    const QString hm = QStringLiteral("HH:mm");
    if (start.date() == end.date())
        return start.toString(hm) + QStringLiteral("–") + end.toString(hm);
    const QString dhm = QStringLiteral("MM-dd HH:mm");
    return start.toString(dhm) + QStringLiteral("–") + end.toString(dhm);
}

} // namespace archivetexts
