#include "archivetexts.h"

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
    const int all = counts[0] + counts[1] + counts[2];
    return all ? archiveTr("%1 个事件").arg(all) : archiveTr("无事件");
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
