#include "externaltrack.h"
#include "nmeasentence.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {
namespace externaltrack {

constexpr int64_t kNoTime = ExternalFix::kNoTime;
constexpr int64_t kDayMs = 86400000;

// One fix as read, before ordering. A GGA fix (no date, speed or course of its own) yields to a
// fix of the same instant without counting as a duplicate: logs hold an RMC and a GGA a second.
struct ReadFix
{
    ExternalFix fix;
    int64_t key = 0; // the instant it is ordered by
    bool weak = false;
};

struct Reading
{
    std::vector<ReadFix> fixes;
    QString error;
    ExternalTrack::Refusal refusal = ExternalTrack::Refusal::None;
    bool byCue = false;     // subtitles: ordered by the time into the video
    int untimed = 0;        // points that refuse the file
    int untimedMarks = 0;   // waypoints, paths: refuse it only when nothing else is timed
};

bool validPosition(double latitude, double longitude)
{
    return std::isfinite(latitude) && std::isfinite(longitude) && std::fabs(latitude) <= 90 &&
           std::fabs(longitude) <= 180;
}

void addFix(Reading *r, const ExternalFix &f, bool weak = false)
{
    if (!validPosition(f.latitude, f.longitude))
        return;
    ReadFix read;
    read.fix = f;
    read.key = r->byCue ? std::llround(f.recordingSecond * 1000) : f.utcMs;
    read.weak = weak;
    r->fixes.push_back(read);
}

// ISO 8601 date and time ("2024-05-16T12:30:05.250+02:00", Z or no zone: UTC) in ms since 1970.
int64_t isoTimeMs(const QString &text)
{
    const QString t = text.trimmed();
    const auto digitsAt = [&t](int at, int count) {
        if (at < 0 || at + count > t.size())
            return -1;
        int v = 0;
        for (int i = at; i < at + count; ++i) {
            const ushort c = t.at(i).unicode();
            if (c < '0' || c > '9')
                return -1;
            v = v * 10 + (c - '0');
        }
        return v;
    };
    if (t.size() < 19 || t.at(4) != QLatin1Char('-') || t.at(7) != QLatin1Char('-') ||
        (t.at(10) != QLatin1Char('T') && t.at(10) != QLatin1Char(' ')) ||
        t.at(13) != QLatin1Char(':') || t.at(16) != QLatin1Char(':'))
        return kNoTime;
    const int year = digitsAt(0, 4), month = digitsAt(5, 2), day = digitsAt(8, 2);
    const int hour = digitsAt(11, 2), minute = digitsAt(14, 2), second = digitsAt(17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return kNoTime;
    int at = 19;
    double fraction = 0;
    if (at < t.size() && (t.at(at) == QLatin1Char('.') || t.at(at) == QLatin1Char(','))) {
        const int first = ++at;
        double scale = 0.1;
        for (; at < t.size() && t.at(at) >= QLatin1Char('0') && t.at(at) <= QLatin1Char('9'); ++at) {
            fraction += (t.at(at).unicode() - '0') * scale;
            scale /= 10;
        }
        if (at == first)
            return kNoTime;
    }
    int64_t offsetMinutes = 0;
    if (at < t.size()) {
        const ushort c = t.at(at).unicode();
        if (c == 'Z' || c == 'z') {
            ++at;
        } else if (c == '+' || c == '-') {
            const int oh = digitsAt(at + 1, 2);
            at += 3;
            if (at < t.size() && t.at(at) == QLatin1Char(':'))
                ++at;
            const int om = at < t.size() ? digitsAt(at, 2) : 0;
            if (at < t.size())
                at += 2;
            if (oh < 0 || oh > 23 || om < 0 || om > 59)
                return kNoTime;
            offsetMinutes = (c == '-' ? -1 : 1) * (oh * 60 + om);
        }
    }
    if (at != t.size())
        return kNoTime;
    const int64_t clock = clockOf(year, month, day, hour, minute, second + fraction);
    return clock == kNoClock ? kNoTime : clock - offsetMinutes * 60000;
}

double numberOf(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : std::nan("");
}

// A GPX point's time, speed (m/s) and course, at any depth (extensions included).
void readGpxPoint(QXmlStreamReader &xml, bool waypoint, Reading *r)
{
    bool latOk = false, lonOk = false;
    ExternalFix f;
    f.latitude = xml.attributes().value(QLatin1String("lat")).toDouble(&latOk);
    f.longitude = xml.attributes().value(QLatin1String("lon")).toDouble(&lonOk);
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        xml.readNext();
        if (xml.isEndElement()) {
            --depth;
        } else if (xml.isStartElement()) {
            const QStringRef name = xml.name();
            const bool time = name == QLatin1String("time") && depth == 1;
            const bool speed = name == QLatin1String("speed");
            const bool course = name == QLatin1String("course");
            if (!time && !speed && !course) {
                ++depth;
                continue;
            }
            const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            if (time) {
                f.utcMs = isoTimeMs(text);
            } else if (speed) {
                const double v = numberOf(text);
                if (v >= 0)
                    f.speedKmh = v * 3.6;
            } else {
                const double v = numberOf(text);
                if (v >= 0 && v <= 360)
                    f.course = v;
            }
        }
    }
    if (!latOk || !lonOk || !validPosition(f.latitude, f.longitude))
        return;
    if (f.utcMs == kNoTime)
        ++(waypoint ? r->untimedMarks : r->untimed);
    else
        addFix(r, f);
}

void readGpx(QXmlStreamReader &xml, Reading *r)
{
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QStringRef name = xml.name();
        const bool waypoint = name == QLatin1String("wpt");
        if (waypoint || name == QLatin1String("trkpt") || name == QLatin1String("rtept"))
            readGpxPoint(xml, waypoint, r);
    }
}

// "lon<sep>lat[<sep>alt]" into f; false when it holds no position.
bool lonLat(const QString &tuple, QChar separator, ExternalFix *f)
{
    const QStringList parts = tuple.split(separator, Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return false;
    f->longitude = numberOf(parts.at(0));
    f->latitude = numberOf(parts.at(1));
    return validPosition(f->latitude, f->longitude);
}

int tupleCount(const QString &text)
{
    int count = 0;
    bool inTuple = false;
    for (const QChar c : text) {
        count += !inTuple && !c.isSpace() ? 1 : 0;
        inTuple = !c.isSpace();
    }
    return count;
}

void readKml(QXmlStreamReader &xml, Reading *r)
{
    bool inTrack = false, inTimeStamp = false, inPoint = false;
    std::vector<int64_t> whens;
    std::vector<ExternalFix> coords; // a gx:Track's positions; NaN latitude: none
    int64_t markWhen = kNoTime;
    ExternalFix mark;
    bool markHasPoint = false;
    while (!xml.atEnd()) {
        xml.readNext();
        const QStringRef name = xml.name();
        if (xml.isStartElement()) {
            if (name == QLatin1String("Placemark")) {
                markWhen = kNoTime;
                markHasPoint = false;
            } else if (name == QLatin1String("Track")) {
                inTrack = true;
                whens.clear();
                coords.clear();
            } else if (name == QLatin1String("TimeStamp")) {
                inTimeStamp = true;
            } else if (name == QLatin1String("Point")) {
                inPoint = true;
            } else if (name == QLatin1String("when")) {
                const int64_t t = isoTimeMs(xml.readElementText(QXmlStreamReader::IncludeChildElements));
                if (inTrack)
                    whens.push_back(t);
                else if (inTimeStamp)
                    markWhen = t;
            } else if (name == QLatin1String("coord") && inTrack) {
                ExternalFix f;
                const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                if (!lonLat(text.simplified(), QLatin1Char(' '), &f))
                    f.latitude = std::nan("");
                coords.push_back(f);
            } else if (name == QLatin1String("coordinates")) {
                const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                if (inPoint)
                    markHasPoint = lonLat(text.simplified().section(QLatin1Char(' '), 0, 0),
                                          QLatin1Char(','), &mark);
                else
                    r->untimedMarks += tupleCount(text);
            }
        } else if (xml.isEndElement()) {
            if (name == QLatin1String("Track") && inTrack) {
                inTrack = false;
                for (std::size_t i = 0; i < coords.size(); ++i) {
                    if (std::isnan(coords[i].latitude))
                        continue;
                    coords[i].utcMs = i < whens.size() ? whens[i] : kNoTime;
                    if (coords[i].utcMs == kNoTime)
                        ++r->untimed;
                    else
                        addFix(r, coords[i]);
                }
            } else if (name == QLatin1String("TimeStamp")) {
                inTimeStamp = false;
            } else if (name == QLatin1String("Point")) {
                inPoint = false;
            } else if (name == QLatin1String("Placemark") && markHasPoint) {
                markHasPoint = false;
                mark.utcMs = markWhen;
                if (markWhen == kNoTime)
                    ++r->untimedMarks;
                else
                    addFix(r, mark);
            }
        }
    }
}

void readXml(QFile &file, const QString &name, Reading *r)
{
    QXmlStreamReader xml(&file);
    while (!xml.atEnd() && !xml.isStartElement())
        xml.readNext();
    if (xml.hasError() || !xml.isStartElement()) {
        r->error = QStringLiteral("%1 is not a well-formed XML file").arg(name);
        r->refusal = ExternalTrack::Refusal::NotXml;
        return;
    }
    if (xml.name() == QLatin1String("gpx")) {
        readGpx(xml, r);
    } else if (xml.name() == QLatin1String("kml")) {
        readKml(xml, r);
    } else {
        r->error = QStringLiteral("%1 is neither GPX nor KML").arg(name);
        r->refusal = ExternalTrack::Refusal::NeitherGpxNorKml;
        return;
    }
    if (xml.hasError()) {
        r->error = QStringLiteral("%1 is not a well-formed XML file").arg(name);
        r->refusal = ExternalTrack::Refusal::NotXml;
    }
}

// Calls take(line, length) for each line, without its line end; an overlong line is cut and its
// rest passed over, so a file without line ends costs no more memory than any other.
template <typename Take>
void forEachLine(QFile &file, Take take)
{
    char buffer[4096];
    bool rest = false;
    for (;;) {
        const qint64 n = file.readLine(buffer, sizeof buffer);
        if (n <= 0)
            break;
        const bool ended = buffer[n - 1] == '\n';
        if (!rest) {
            std::size_t length = std::size_t(n);
            while (length > 0 && (buffer[length - 1] == '\n' || buffer[length - 1] == '\r'))
                --length;
            take(buffer, length);
        }
        rest = !ended;
    }
}

void readNmea(QFile &file, Reading *r)
{
    bool haveDate = false;
    int64_t day = 0;       // the last RMC's date, in days since 1970
    int64_t timeOfDay = 0; // and its time, in ms
    forEachLine(file, [&](const char *line, std::size_t length) {
        const char *dollar = static_cast<const char *>(std::memchr(line, '$', length));
        NmeaSentence s;
        if (!dollar || !parseNmeaSentence(dollar, length - std::size_t(dollar - line), &s))
            return;
        ExternalFix f;
        f.latitude = s.latitude;
        f.longitude = s.longitude;
        if (s.kind == NmeaSentence::Rmc) {
            const int64_t clock = nmeaClock(s);
            if (clock == kNoClock)
                return;
            haveDate = true;
            day = clock / kDayMs; // clocks start in 1970: never negative
            timeOfDay = clock - day * kDayMs;
            if (!s.fix)
                return;
            f.utcMs = clock;
            f.speedKmh = s.speedKnots * 1.852;
            f.course = s.course;
            addFix(r, f);
            return;
        }
        if (!haveDate || !s.fix || !(s.second >= 0 && s.second < 61) || s.hour > 23 ||
            s.minute > 59)
            return;
        const int64_t ms = (s.hour * 3600 + s.minute * 60) * int64_t(1000) +
                           std::llround(s.second * 1000);
        // A GGA just past midnight before its day's RMC, or just before it after.
        int64_t at = day;
        if (ms < timeOfDay - kDayMs / 2)
            ++at;
        else if (ms > timeOfDay + kDayMs / 2)
            --at;
        f.utcMs = at * kDayMs + ms;
        addFix(r, f, true);
    });
}

// "HH:MM:SS,mmm" at the start of a cue's timing line, in seconds; below 0 when it is not one.
double cueStart(const char *line, std::size_t length)
{
    std::size_t at = 0;
    while (at < length && line[at] == ' ')
        ++at;
    const auto number = [&](std::size_t most) {
        const std::size_t first = at;
        long v = 0;
        while (at < length && at - first < most && line[at] >= '0' && line[at] <= '9')
            v = v * 10 + (line[at++] - '0');
        return at == first ? -1L : v;
    };
    const long h = number(4);
    const long m = at < length && line[at] == ':' ? (++at, number(2)) : -1;
    const long s = at < length && line[at] == ':' ? (++at, number(2)) : -1;
    if (h < 0 || m < 0 || m > 59 || s < 0 || s > 59)
        return -1;
    double ms = 0;
    if (at < length && (line[at] == ',' || line[at] == '.')) {
        ++at;
        const std::size_t first = at;
        const long v = number(3);
        if (v < 0)
            return -1;
        ms = double(v) * std::pow(10.0, 3 - double(at - first));
    }
    return double(h * 3600 + m * 60 + s) + ms / 1000;
}

struct CueForms
{
    const QRegularExpression dateTime{QStringLiteral(
        "(\\d{4})[-/](\\d{1,2})[-/](\\d{1,2})[ T]+(\\d{1,2}):(\\d{2}):(\\d{2})")};
    const QRegularExpression speed{QStringLiteral("(\\d+(?:\\.\\d+)?)\\s*(km/?h|kph|mph)"),
                                   QRegularExpression::CaseInsensitiveOption};
    const QRegularExpression lettersFirst{QStringLiteral(
        "(?<![A-Za-z])([NS])\\s*:?\\s*(\\d{1,2}\\.\\d+)[\\s,;/]*([EW])\\s*:?\\s*(\\d{1,3}\\.\\d+)")};
    const QRegularExpression lettersAfter{QStringLiteral(
        "(\\d{1,2}\\.\\d+)\\s*([NS])[\\s,;/]*(\\d{1,3}\\.\\d+)\\s*([EW])(?![A-Za-z])")};
    const QRegularExpression plain{
        QStringLiteral("(?<![\\d.])(-?\\d{1,2}\\.\\d{3,})\\s*[,\\s]\\s*(-?\\d{1,3}\\.\\d{3,})(?![\\d.])")};
};

// The position, speed and date-time in a cue's text; the position's form decides the signs.
void readCue(const CueForms &forms, double start, const QByteArray &bytes, Reading *r)
{
    QString text = QString::fromUtf8(bytes);
    ExternalFix f;
    f.recordingSecond = start;
    const auto blank = [&text](const QRegularExpressionMatch &m) {
        text.replace(m.capturedStart(), m.capturedLength(), QString(m.capturedLength(), QLatin1Char(' ')));
    };
    QRegularExpressionMatch m = forms.dateTime.match(text);
    if (m.hasMatch()) {
        const int64_t clock = clockOf(m.captured(1).toInt(), m.captured(2).toInt(),
                                      m.captured(3).toInt(), m.captured(4).toInt(),
                                      m.captured(5).toInt(), m.captured(6).toInt());
        if (clock != kNoClock)
            f.utcMs = clock;
        blank(m);
    }
    m = forms.speed.match(text);
    if (m.hasMatch()) {
        const bool mph = m.captured(2).compare(QLatin1String("mph"), Qt::CaseInsensitive) == 0;
        f.speedKmh = m.captured(1).toDouble() * (mph ? 1.609344 : 1.0);
        blank(m);
    }
    if ((m = forms.lettersFirst.match(text)).hasMatch()) {
        f.latitude = m.captured(2).toDouble() * (m.captured(1) == QLatin1String("S") ? -1 : 1);
        f.longitude = m.captured(4).toDouble() * (m.captured(3) == QLatin1String("W") ? -1 : 1);
    } else if ((m = forms.lettersAfter.match(text)).hasMatch()) {
        f.latitude = m.captured(1).toDouble() * (m.captured(2) == QLatin1String("S") ? -1 : 1);
        f.longitude = m.captured(3).toDouble() * (m.captured(4) == QLatin1String("W") ? -1 : 1);
    } else if ((m = forms.plain.match(text)).hasMatch()) {
        f.latitude = m.captured(1).toDouble();
        f.longitude = m.captured(2).toDouble();
    } else {
        return;
    }
    addFix(r, f);
}

void readSubtitles(QFile &file, Reading *r)
{
    r->byCue = true;
    const CueForms forms;
    double start = -1; // the open cue's start; below 0: none open
    QByteArray text;
    const auto close = [&] {
        if (start >= 0)
            readCue(forms, start, text, r);
        start = -1;
        text.clear();
    };
    forEachLine(file, [&](const char *line, std::size_t length) {
        static const char kArrow[] = "-->";
        const bool timing = std::search(line, line + length, kArrow, kArrow + 3) != line + length;
        const double at = timing ? cueStart(line, length) : -1;
        if (at >= 0) {
            close();
            start = at;
        } else if (length == 0) {
            close();
        } else if (start >= 0 && text.size() < 4096) {
            text.append(line, int(length)).append(' ');
        }
    });
    close();
}

enum class Kind
{
    Xml,
    Nmea,
    Subtitles,
};

// By the first non-blank bytes: '<' XML, '$' NMEA, a digit with a cue timing nearby subtitles;
// anything else is read as lines that may hold NMEA.
Kind kindOf(QFile &file)
{
    const QByteArray head = file.peek(4096);
    int at = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (at < head.size() && (head.at(at) == ' ' || head.at(at) == '\t' ||
                                head.at(at) == '\r' || head.at(at) == '\n'))
        ++at;
    if (at >= head.size())
        return Kind::Nmea;
    const char c = head.at(at);
    if (c == '<')
        return Kind::Xml;
    if (c >= '0' && c <= '9' && head.contains("-->"))
        return Kind::Subtitles;
    return Kind::Nmea;
}

QString sizeInMb(int64_t bytes)
{
    const double mb = double(bytes) / (1 << 20);
    return bytes % (1 << 20) == 0 ? QString::number(bytes >> 20) : QString::number(mb, 'g', 3);
}

// Puts the fixes in time order (stably), drops repeated instants and moves them into track.
void settle(Reading *r, ExternalTrack *track)
{
    std::vector<ReadFix> &fixes = r->fixes;
    bool inOrder = true;
    for (std::size_t i = 1; i < fixes.size(); ++i) {
        if (fixes[i].key < fixes[i - 1].key) {
            track->reordered = true;
            inOrder = false;
        } else if (fixes[i].key == fixes[i - 1].key && fixes[i - 1].weak && !fixes[i].weak) {
            inOrder = false;
        }
    }
    if (!inOrder)
        std::stable_sort(fixes.begin(), fixes.end(), [](const ReadFix &a, const ReadFix &b) {
            return a.key < b.key || (a.key == b.key && !a.weak && b.weak);
        });
    track->fixes.reserve(int(fixes.size()));
    const ReadFix *kept = nullptr;
    for (const ReadFix &f : fixes) {
        if (kept && f.key == kept->key) {
            if (!f.weak || kept->weak)
                ++track->duplicatesDropped;
            continue;
        }
        track->fixes.append(f.fix);
        kept = &f;
    }
}

} // namespace externaltrack
} // namespace

ExternalTrack readExternalTrack(const QString &path, int64_t mostBytes)
{
    using namespace externaltrack;
    ExternalTrack track;
    track.path = path;
    const QFileInfo info(path);
    const QString name = info.fileName();
    QFile file(path);
    // Only regular files: a device or a pipe could be read forever.
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        track.error = QStringLiteral("cannot read %1").arg(name);
        track.refusal = ExternalTrack::Refusal::Unreadable;
        return track;
    }
    if (file.size() > mostBytes) {
        track.error = QStringLiteral("%1 is larger than %2 MB").arg(name, sizeInMb(mostBytes));
        track.refusal = ExternalTrack::Refusal::TooLarge;
        return track;
    }
    Reading r;
    switch (kindOf(file)) {
    case Kind::Xml:
        readXml(file, name, &r);
        break;
    case Kind::Subtitles:
        readSubtitles(file, &r);
        break;
    case Kind::Nmea: {
        const QString suffix = info.suffix().toLower();
        if (suffix == QLatin1String("gpx") || suffix == QLatin1String("kml")) {
            r.error = QStringLiteral("%1 is not a well-formed XML file").arg(name);
            r.refusal = ExternalTrack::Refusal::NotXml;
        } else {
            readNmea(file, &r);
        }
        break;
    }
    }
    if (r.error.isEmpty() && (r.untimed > 0 || (r.fixes.empty() && r.untimedMarks > 0))) {
        r.error = QStringLiteral("%1 has points without a time").arg(name);
        r.refusal = ExternalTrack::Refusal::Untimed;
    }
    if (r.error.isEmpty() && r.fixes.empty()) {
        r.error = QStringLiteral("%1 holds no position").arg(name);
        r.refusal = ExternalTrack::Refusal::NoPosition;
    }
    if (!r.error.isEmpty()) {
        track.error = r.error;
        track.refusal = r.refusal;
        return track;
    }
    settle(&r, &track);
    return track;
}

QString sideTrackFileOf(const QString &videoPath)
{
    using namespace externaltrack;
    const QFileInfo video(videoPath);
    const QString base = video.completeBaseName();
    if (base.isEmpty())
        return {};
    // One listing of the names that start with the base; wildcard characters in it taken literally.
    QString pattern;
    for (const QChar c : base) {
        if (c == QLatin1Char('[') || c == QLatin1Char(']') || c == QLatin1Char('*') ||
            c == QLatin1Char('?') || c == QLatin1Char('\\'))
            pattern += QLatin1Char('[') + c + QLatin1Char(']');
        else
            pattern += c;
    }
    // Set as a list: a filter string would be split at spaces, which names often hold.
    QDir dir(video.path());
    dir.setNameFilters({pattern + QStringLiteral(".*")});
    dir.setFilter(QDir::Files | QDir::Readable | QDir::Hidden);
    dir.setSorting(QDir::NoSort);
    const QStringList names = dir.entryList();
    for (const char *extension : {"nmea", "gpx", "log", "srt"}) {
        const QString wanted = base + QLatin1Char('.') + QLatin1String(extension);
        for (const QString &n : names) {
            if (n.compare(wanted, Qt::CaseInsensitive) == 0)
                return dir.filePath(n);
        }
    }
    return {};
}
