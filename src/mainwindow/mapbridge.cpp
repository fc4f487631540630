#include "mapbridge.h"

#include <QDebug>

#include <cmath>

void MapBridge::seekToSecond(const QVariant &second)
{
    // Numbers only: a text or an object from the page is refused, not converted.
    const int type = second.userType();
    const bool number = type == QMetaType::Double || type == QMetaType::Int ||
                        type == QMetaType::LongLong || type == QMetaType::UInt ||
                        type == QMetaType::ULongLong;
    const double value = number ? second.toDouble() : std::nan("");
    if (!std::isfinite(value) || value != std::floor(value) || value < 0 ||
        value >= m_secondCount) {
        qWarning() << "MapBridge: refused a seek from the map page to" << second << "of"
                   << m_secondCount << "seconds";
        return;
    }
    emit seekRequested(int(value));
}
