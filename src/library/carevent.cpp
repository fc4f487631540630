#include "carevent.h"

#include "carfolders.h"
#include "drivegrouping.h"
#include "librarylog.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>

namespace {
namespace carevent {

QString textOf(const QJsonObject &object, const char *key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isString())
        return value.toString().trimmed();
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 12);
    return {};
}

// A coordinate written as a string ("37.7749") or a number; NaN when missing, empty or
// outside limit.
double coordinateOf(const QJsonObject &object, const char *key, double limit)
{
    const QJsonValue value = object.value(QLatin1String(key));
    double number = std::numeric_limits<double>::quiet_NaN();
    if (value.isDouble()) {
        number = value.toDouble();
    } else if (value.isString()) {
        bool ok = false;
        const double parsed = value.toString().trimmed().toDouble(&ok);
        if (ok)
            number = parsed;
    }
    return std::isfinite(number) && std::abs(number) <= limit
               ? number
               : std::numeric_limits<double>::quiet_NaN();
}

QString reasonTr(const char *text)
{
    return QCoreApplication::translate("CarEvents", text);
}

} // namespace carevent
} // namespace

bool CarEvent::hasPosition() const
{
    // The car writes zeros when it had no fix.
    return std::isfinite(latitude) && std::isfinite(longitude) &&
           (latitude != 0.0 || longitude != 0.0);
}

QString CarEvent::place() const
{
    if (street.isEmpty())
        return city;
    if (city.isEmpty())
        return street;
    return street + QStringLiteral(", ") + city;
}

bool parseCarEvent(const QByteArray &json, const QDateTime &fallbackWhen, CarEvent *event,
                   QString *problem)
{
    using namespace carevent;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        *problem = error.error != QJsonParseError::NoError
                       ? QStringLiteral("not JSON: %1 at %2").arg(error.errorString()).arg(error.offset)
                       : QStringLiteral("not a JSON object");
        return false;
    }
    const QJsonObject object = document.object();
    CarEvent read;
    // "2025-11-20T14:13:05", sometimes with fractions of a second after it.
    read.when = wallClockFromDigits(textOf(object, "timestamp"),
                                    QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    if (!read.when.isValid())
        read.when = fallbackWhen;
    if (!read.when.isValid()) {
        *problem = QStringLiteral("no time");
        return false;
    }
    read.reason = textOf(object, "reason");
    read.city = textOf(object, "city");
    read.street = textOf(object, "street");
    read.latitude = coordinateOf(object, "est_lat", 90.0);
    read.longitude = coordinateOf(object, "est_lon", 180.0);
    if (!std::isfinite(read.latitude) || !std::isfinite(read.longitude))
        read.latitude = read.longitude = std::numeric_limits<double>::quiet_NaN();
    bool cameraOk = false;
    const int camera = textOf(object, "camera").toInt(&cameraOk);
    read.camera = cameraOk && camera >= 0 ? camera : -1;
    *event = read;
    return true;
}

bool readCarEventFile(const QString &path, CarEvent *event)
{
    // A file that cannot be read still marks an event at its folder's time, reason unknown.
    const QDateTime folderTime = carFolderTimeStamp(QFileInfo(path).dir().dirName());
    const auto fallBack = [&](const QString &problem) {
        if (!folderTime.isValid()) {
            qCWarning(lcLibrary) << "Car event: ignoring" << path << "-" << problem;
            return false;
        }
        qCWarning(lcLibrary) << "Car event: taking the folder's time for" << path << "-"
                             << problem;
        *event = CarEvent();
        event->when = folderTime;
        return true;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fallBack(QStringLiteral("cannot open it: ") + file.errorString());
    if (file.size() > kLargestCarEventFile)
        return fallBack(QStringLiteral("%1 bytes, more than %2")
                            .arg(file.size())
                            .arg(kLargestCarEventFile));
    const QByteArray json = file.read(kLargestCarEventFile + 1);
    QString problem;
    if (!parseCarEvent(json, folderTime, event, &problem))
        return fallBack(problem);
    return true;
}

QString carEventReasonText(const QString &reason)
{
    using namespace carevent;
    if (reason.isEmpty())
        return reasonTr("车辆保存的片段");
    if (reason == QLatin1String("user_interaction_dashcam_icon_tapped") ||
        reason == QLatin1String("user_interaction_dashcam_panel_save") ||
        reason == QLatin1String("user_interaction_dashcam_launcher_action_tapped"))
        return reasonTr("驾驶员保存");
    if (reason == QLatin1String("user_interaction_honk"))
        return reasonTr("鸣笛保存");
    if (reason == QLatin1String("sentry_aware_object_detection"))
        return reasonTr("哨兵：检测到物体");
    if (reason.startsWith(QLatin1String("sentry_aware_accel")))
        return reasonTr("哨兵：车辆被碰");
    if (reason.startsWith(QLatin1String("sentry_panic_accel")))
        return reasonTr("哨兵：车辆被撞");
    if (reason == QLatin1String("sentry_locked_handle_pulls"))
        return reasonTr("哨兵：有人拉车门");
    if (reason == QLatin1String("vehicle_auto_emergency_braking"))
        return reasonTr("紧急制动");
    return reason;
}
