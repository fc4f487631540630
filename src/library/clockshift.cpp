#include "clockshift.h"

#include "lufileinfomodel.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>

#include <cmath>

namespace {
// A day either way is more than any camera's clock is off; anything else is a damaged file.
constexpr double kMostShift = 86400;

QString shiftPath(const LuFileInfoModel *recording)
{
    return recording->trackCachePath + QStringLiteral(".shift");
}
} // namespace

double ClockShift::of(const LuFileInfoModel *recording)
{
    QFile file(shiftPath(recording));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    bool ok = false;
    const double seconds = file.read(64).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || std::fabs(seconds) > kMostShift) {
        qWarning() << "ClockShift: ignoring" << file.fileName() << "- not a number of seconds";
        return 0;
    }
    return seconds;
}

bool ClockShift::set(const LuFileInfoModel *recording, double seconds)
{
    const QString path = shiftPath(recording);
    if (seconds == 0)
        return !QFile::exists(path) || QFile::remove(path);
    if (!std::isfinite(seconds) || std::fabs(seconds) > kMostShift)
        return false;
    QSaveFile file(path);
    const QByteArray text = QByteArray::number(seconds, 'f', 3) + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        qWarning() << "ClockShift: cannot write" << path << file.errorString();
        return false;
    }
    return true;
}
