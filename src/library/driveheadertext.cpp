#include "driveheadertext.h"

#include "drivelist.h"

#include <QCoreApplication>
#include <QLocale>

namespace {
constexpr double kMetresPerMile = 1609.344;
constexpr double kKmhPerKnot = 1.852;
constexpr double kMphPerKnot = 1.150779;
} // namespace

QString driveHeaderWhen(const Drive &drive)
{
    const QString hhmm = QStringLiteral("HH:mm");
    const QString title = drive.title.isEmpty() ? QString() : drive.title + QStringLiteral(" · ");
    return title + QLocale().toString(drive.start.date(), QLocale::ShortFormat) + QStringLiteral("  ") +
           drive.start.toString(hhmm) + QStringLiteral("–") + drive.end.toString(hhmm);
}

QString driveHeaderFigures(const Drive &drive, bool mph)
{
    const double distance = drive.metres / (mph ? kMetresPerMile : 1000.0);
    const int minutes = int(drive.seconds / 60.0 + 0.5);
    const int top = qRound(double(drive.maxKnots) * (mph ? kMphPerKnot : kKmhPerKnot));
    const QString speedUnit = mph ? QStringLiteral("mph") : QStringLiteral("km/h");
    QString text = QStringLiteral("%1 %2 · %3:%4 · ")
                       .arg(distance, 0, 'f', 1)
                       .arg(mph ? QStringLiteral("mi") : QStringLiteral("km"))
                       .arg(minutes / 60)
                       .arg(minutes % 60, 2, 10, QLatin1Char('0')) +
                   QCoreApplication::translate("HWTreeItemDelegate", "最高 %1 %2")
                       .arg(top)
                       .arg(speedUnit) +
                   QStringLiteral(" · ") +
                   QCoreApplication::translate("HWTreeItemDelegate", "%n 个事件", nullptr, drive.events);
    if (drive.pending > 0)
        text += QStringLiteral(" …");
    return text;
}
