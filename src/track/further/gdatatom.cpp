// A top-level "gdat" atom of Base64 text that decodes to one JSON object: the camera's model
// and "gpsData", an array of fixes, each with "gpsStatus" ("A": a fix), "datetime"
// ("yyyy-mm-ddThh:mm:ss", the camera's clock, no zone given), "lat" and "lon" in signed decimal
// degrees, "speed" in mph, "bearing", and "xAcc", "yAcc", "zAcc" in a unit not known (not read).
// Nothing ties a fix to the recording's timeline but its clock, so a fix's time into the
// recording is its clock's distance from the first one's.
#include "furtherlayouts.h"
#include "secondstrack.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
namespace gdatatom {
constexpr uint32_t kGdat = fourcc("gdat");
// An hour of fixes ten times a second is a few megabytes of text.
constexpr int64_t kMaxAtom = int64_t(64) << 20;
constexpr int kMaxFixes = 400000;
constexpr double kKmhPerMph = 1.609344;

// Two digits at text[at], or -1.
int twoDigits(const QByteArray &text, int at)
{
    if (at + 2 > text.size() || text[at] < '0' || text[at] > '9' || text[at + 1] < '0' ||
        text[at + 1] > '9')
        return -1;
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

// "yyyy-mm-ddThh:mm:ss" (a space for the 'T' too), to the clock; kNoClock when it is not.
int64_t clockOfText(const QByteArray &text)
{
    if (text.size() < 19 || text[4] != '-' || text[7] != '-' ||
        (text[10] != 'T' && text[10] != ' ') || text[13] != ':' || text[16] != ':')
        return kNoClock;
    const int century = twoDigits(text, 0), year = twoDigits(text, 2);
    if (century < 0 || year < 0)
        return kNoClock;
    return clockOf(century * 100 + year, twoDigits(text, 5), twoDigits(text, 8),
                   twoDigits(text, 11), twoDigits(text, 14), twoDigits(text, 17));
}

// A number given as a JSON number or as text.
bool numberOf(const QJsonValue &value, double *number)
{
    if (value.isDouble()) {
        *number = value.toDouble();
        return true;
    }
    bool ok = false;
    *number = value.toString().toDouble(&ok);
    return value.isString() && ok;
}

GpsSample sampleOf(const QJsonObject &fix)
{
    GpsSample s;
    s.clock = clockOfText(fix.value(QStringLiteral("datetime")).toString().toLatin1());
    double lat = 0, lon = 0, speed = 0, bearing = 0;
    const bool position = numberOf(fix.value(QStringLiteral("lat")), &lat) &&
                          numberOf(fix.value(QStringLiteral("lon")), &lon) &&
                          std::fabs(lat) <= 90 && std::fabs(lon) <= 180;
    s.fix = fix.value(QStringLiteral("gpsStatus")).toString() == QLatin1String("A") && position &&
            lat != 0 && lon != 0;
    if (!s.fix)
        return s;
    s.latitude = lat;
    s.longitude = lon;
    s.hasSpeed = numberOf(fix.value(QStringLiteral("speed")), &speed) && speed >= 0;
    s.speedKmh = s.hasSpeed ? speed * kKmhPerMph : 0;
    s.hasCourse = numberOf(fix.value(QStringLiteral("bearing")), &bearing);
    s.course = s.hasCourse ? bearing : 0;
    return s;
}
} // namespace gdatatom
} // namespace

bool readGdatAtom(VideoIndex &video, LayoutRead *read)
{
    using namespace gdatatom;
    const BoxHead *atom = nullptr;
    for (const BoxHead &head : video.topLevel()) {
        if (head.type == kGdat) {
            atom = &head;
            break;
        }
    }
    if (!atom)
        return false;
    const int64_t length = atom->size - atom->headSize;
    QByteArray text(int(std::max<int64_t>(0, std::min(length, kMaxAtom))), '\0');
    if (length <= 0 || length > kMaxAtom ||
        !video.file().readAt(atom->offset + atom->headSize, text.data(),
                             std::size_t(text.size()))) {
        read->problem = "a top-level gdat atom found, but it is empty, too long or cut short";
        return false;
    }
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromBase64(text.trimmed()), &error);
    const QJsonValue fixes = document.object().value(QStringLiteral("gpsData"));
    if (error.error != QJsonParseError::NoError || !fixes.isArray()) {
        read->problem = "a top-level gdat atom found, but it holds no Base64 JSON with gpsData";
        return false;
    }
    std::vector<GpsSample> samples;
    const QJsonArray array = fixes.toArray();
    for (int i = 0; i < array.size() && i < kMaxFixes; ++i) {
        const GpsSample s = sampleOf(array.at(i).toObject());
        if (s.clock != kNoClock)
            samples.push_back(s);
    }
    if (samples.empty()) {
        read->problem = "a top-level gdat atom found, but none of its fixes holds a date";
        return false;
    }
    const int64_t first = samples.front().clock;
    for (GpsSample &s : samples) {
        // A clock that runs backwards places nothing; the writer puts such a sample a second
        // after the one before.
        if (s.clock >= first)
            s.time = double(s.clock - first) / 1000.0;
    }
    read->variant = "Base64 JSON fixes in a top-level gdat atom";
    read->track.samples = std::move(samples);
    read->track.clock = TrackClock::LocalTime;
    return isWritableTrack(read->track);
}
