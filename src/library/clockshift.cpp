#include "clockshift.h"

#include "librarylog.h"
#include "lufileinfomodel.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>

#include <cmath>

namespace {
// A day either way is more than any camera's clock is off; anything else is a damaged file.
constexpr double kMostShift = 86400;

QString shiftPath(const QString &cachePath, ClockShift::Target target)
{
    return LuFileInfoModel::unmarkedCachePath(cachePath) + (target == ClockShift::Target::Matching ? QStringLiteral(".shift")
                                                               : QStringLiteral(".ownshift"));
}
} // namespace

double ClockShift::of(const LuFileInfoModel *recording, Target target)
{
    return ofCache(recording->trackCachePath, target);
}

double ClockShift::ofCache(const QString &cachePath, Target target)
{
    QFile file(shiftPath(cachePath, target));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    bool ok = false;
    const double seconds = file.read(64).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || std::fabs(seconds) > kMostShift) {
        qCWarning(lcLibrary) << "ClockShift: ignoring" << file.fileName()
                             << "- not a number of seconds";
        return 0;
    }
    return seconds;
}

bool ClockShift::set(const LuFileInfoModel *recording, double seconds, Target target)
{
    const QString path = shiftPath(recording->trackCachePath, target);
    if (seconds == 0)
        return !QFile::exists(path) || QFile::remove(path);
    if (!std::isfinite(seconds) || std::fabs(seconds) > kMostShift)
        return false;
    QSaveFile file(path);
    const QByteArray text = QByteArray::number(seconds, 'f', 3) + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        qCWarning(lcLibrary) << "ClockShift: cannot write" << path << file.errorString();
        return false;
    }
    return true;
}
