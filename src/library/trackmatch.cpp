#include "trackmatch.h"

#include "drivelist.h"
#include "secondstrack.h"
#include "lufileinfomodel.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdio>

int64_t recordingStartUtcMs(const LuFileInfoModel *recording)
{
    DriveFile file = driveFileOf(recording);
    file.firstFix = QDateTime(); // the recording's own clock, not the one of a track
    const QDateTime digits = driveFileStart(file);
    if (!digits.isValid())
        return ExternalFix::kNoTime;
    // The digits are the camera's wall clock, taken to be the computer's zone.
    return QDateTime(digits.date(), digits.time(), Qt::LocalTime).toMSecsSinceEpoch();
}

namespace {
// The fixes of track inside [from, to), in order.
std::pair<QVector<ExternalFix>::const_iterator, QVector<ExternalFix>::const_iterator>
fixesWithin(const ExternalTrack &track, int64_t from, int64_t to)
{
    const auto before = [](const ExternalFix &fix, int64_t t) { return fix.utcMs < t; };
    return {std::lower_bound(track.fixes.cbegin(), track.fixes.cend(), from, before),
            std::lower_bound(track.fixes.cbegin(), track.fixes.cend(), to, before)};
}

int64_t shiftedStart(int64_t startMs, double shiftSeconds)
{
    return startMs + int64_t(std::llround(shiftSeconds * 1000));
}
} // namespace

int coveredSeconds(const ExternalTrack &track, int64_t startMs, double seconds,
                   double shiftSeconds)
{
    if (startMs == ExternalFix::kNoTime || !(seconds > 0))
        return 0;
    const int64_t from = shiftedStart(startMs, shiftSeconds);
    const auto range = fixesWithin(track, from, from + int64_t(std::llround(seconds * 1000)));
    int covered = 0;
    int64_t lastSecond = -1;
    for (auto it = range.first; it != range.second; ++it) {
        const int64_t second = (it->utcMs - from + 500) / 1000;
        if (second != lastSecond) {
            ++covered;
            lastSecond = second;
        }
    }
    return covered;
}

TrackMatch writeMatchedTrack(const ExternalTrack &track, int64_t startMs, double seconds,
                             double shiftSeconds, const QString &textPath)
{
    TrackMatch match;
    if (startMs == ExternalFix::kNoTime || !(seconds > 0) || track.fixes.isEmpty())
        return match;
    const int64_t from = shiftedStart(startMs, shiftSeconds);
    const auto range = fixesWithin(track, from, from + int64_t(std::llround(seconds * 1000)));
    DecodedTrack decoded;
    for (auto it = range.first; it != range.second; ++it) {
        GpsSample sample;
        sample.time = double(it->utcMs - from) / 1000.0;
        sample.clock = it->utcMs;
        sample.fix = true;
        sample.latitude = it->latitude;
        sample.longitude = it->longitude;
        sample.hasSpeed = !std::isnan(it->speedKmh);
        sample.speedKmh = sample.hasSpeed ? it->speedKmh : 0;
        sample.hasCourse = !std::isnan(it->course);
        sample.course = sample.hasCourse ? it->course : 0;
        decoded.samples.push_back(sample);
    }
    match.coveredSeconds = coveredSeconds(track, startMs, seconds, shiftSeconds);
    if (decoded.samples.empty())
        return match;
    // Written beside the cache and renamed over it: a reader never meets half a track.
    const QByteArray part = QFile::encodeName(textPath + QStringLiteral(".matching"));
    match.lines = std::max(0, writeSecondsTrack(decoded, part.constData()));
    if (match.lines == 0 || std::rename(part.constData(), QFile::encodeName(textPath).constData()) != 0) {
        std::remove(part.constData());
        match = TrackMatch();
    }
    return match;
}

bool replaceFile(const QString &path, const QByteArray &bytes)
{
    QFile part(path + QStringLiteral(".part"));
    const bool written = part.open(QIODevice::WriteOnly) && part.write(bytes) == bytes.size();
    part.close();
    if (written && std::rename(QFile::encodeName(part.fileName()).constData(),
                               QFile::encodeName(path).constData()) == 0)
        return true;
    part.remove();
    return false;
}
