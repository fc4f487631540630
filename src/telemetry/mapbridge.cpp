#include "mapbridge.h"

#include "telemetrylog.h"

#include <QDebug>

#include <cmath>

namespace {
// A whole number in [0, limit) or -1: a text or an object from the page is refused, not
// converted.
int wholeBelow(const QVariant &value, int limit)
{
    const int type = value.userType();
    const bool number = type == QMetaType::Double || type == QMetaType::Int ||
                        type == QMetaType::LongLong || type == QMetaType::UInt ||
                        type == QMetaType::ULongLong;
    const double v = number ? value.toDouble() : std::nan("");
    if (!std::isfinite(v) || v != std::floor(v) || v < 0 || v >= limit)
        return -1;
    return int(v);
}

// A finite number within [-limit, limit], else NaN; texts are refused as above.
double degreesWithin(const QVariant &value, double limit)
{
    const int type = value.userType();
    const double v = type == QMetaType::Double || type == QMetaType::Int ||
                             type == QMetaType::LongLong
                         ? value.toDouble()
                         : std::nan("");
    return std::isfinite(v) && std::abs(v) <= limit ? v : std::nan("");
}
} // namespace

void MapBridge::seekToSecond(const QVariant &second)
{
    const int value = wholeBelow(second, m_secondCount);
    if (value < 0) {
        qCWarning(lcTelemetry) << "MapBridge: refused a seek from the map page to" << second << "of"
                               << m_secondCount << "seconds";
        return;
    }
    emit seekRequested(value);
}

void MapBridge::playRecordingAt(const QVariant &id, const QVariant &second)
{
    const int recording = wholeBelow(id, m_driveSecondCounts.size());
    const int value =
        recording < 0 ? -1 : wholeBelow(second, m_driveSecondCounts.at(recording));
    if (value < 0) {
        qCWarning(lcTelemetry) << "MapBridge: refused to play recording" << id << "of"
                               << m_driveSecondCounts.size() << "at" << second;
        return;
    }
    emit playRecordingRequested(recording, value);
}

void MapBridge::placeClicked(const QVariant &latitude, const QVariant &longitude)
{
    const double lat = degreesWithin(latitude, 90);
    const double lon = degreesWithin(longitude, 180);
    if (std::isnan(lat) || std::isnan(lon)) {
        qCWarning(lcTelemetry) << "MapBridge: refused a place from the map page:" << latitude
                               << longitude;
        return;
    }
    emit placeChosen(lat, lon);
}
