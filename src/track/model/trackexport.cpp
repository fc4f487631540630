#include "trackexport.h"

#include "lugpsmodel.h"

#include <QList>
#include <QXmlStreamWriter>

#include <cmath>

namespace {
namespace trackexport {
constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;

QString fixed(double value, int decimals)
{
    // QString::number never uses the locale's decimal separator.
    return QString::number(value, 'f', decimals);
}

QString isoTime(const QDateTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")) : QString();
}
} // namespace trackexport
} // namespace

TrackSpeedUnit speedUnitForLayout(TrackLayout layout)
{
    using namespace trackexport;
    return layout == TrackLayout::ChipTrailer ? TrackSpeedUnit::KilometresPerHour
                                              : TrackSpeedUnit::Knots;
}

TrackExportOptions exportOptionsFor(TrackLayout layout, bool haisiTrack)
{
    using namespace trackexport;
    TrackExportOptions options;
    options.speedUnit = speedUnitForLayout(layout);
    options.haisiScale = haisiTrack;
    // The chip trailer's text has no course; its reader writes 0 in that field.
    options.courseRecorded = layout != TrackLayout::ChipTrailer;
    return options;
}

QVector<TrackPoint> trackPointsFromText(const QByteArray &text, const TrackExportOptions &options)
{
    using namespace trackexport;
    QVector<TrackPoint> points;
    const double gScale = options.haisiScale ? 1.0 / 4096.0 : 1.0 / 256.0;
    QByteArray previous;
    for (const QByteArray &rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line == previous)
            continue;
        previous = line;
        const LuGPSModel sample(line.constData());
        if (sample.status != 'A')
            continue;
        TrackPoint p;
        QDateTime time = QDateTime::fromString(QString::fromLatin1(sample.timeText),
                                               QStringLiteral("yyyyMMddHHmmss"));
        if (time.isValid()) {
            time.setTimeSpec(Qt::UTC);
            p.time = time;
        }
        p.latitude = sample.wgsLatitude;
        p.longitude = sample.wgsLongitude;
        p.speedMs = options.speedUnit == TrackSpeedUnit::KilometresPerHour
                        ? double(sample.speedKnots) / 3.6
                        : double(sample.speedKnots) * kMetresPerSecondPerKnot;
        p.course = double(sample.course);
        p.hasCourse = options.courseRecorded;
        p.gX = sample.gRawX * gScale;
        p.gY = sample.gRawY * gScale;
        p.gZ = sample.gRawZ * gScale;
        points.push_back(p);
    }
    return points;
}

QByteArray tracksToGpx(const QVector<ExportedTrack> &tracks, const QString &creator)
{
    using namespace trackexport;
    static const QString gpx = QStringLiteral("http://www.topografix.com/GPX/1/1");
    static const QString tpx =
        QStringLiteral("http://www.garmin.com/xmlschemas/TrackPointExtension/v2");
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    w.writeDefaultNamespace(gpx);
    w.writeNamespace(tpx, QStringLiteral("gpxtpx"));
    w.writeNamespace(QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"),
                     QStringLiteral("xsi"));
    w.writeStartElement(gpx, QStringLiteral("gpx"));
    w.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    w.writeAttribute(QStringLiteral("creator"), creator);
    w.writeAttribute(
        QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"),
        QStringLiteral("schemaLocation"),
        gpx + QStringLiteral(" http://www.topografix.com/GPX/1/1/gpx.xsd ") + tpx +
            QStringLiteral(" https://www8.garmin.com/xmlschemas/TrackPointExtensionv2.xsd"));
    for (const ExportedTrack &track : tracks) {
        w.writeStartElement(gpx, QStringLiteral("trk"));
        if (!track.name.isEmpty())
            w.writeTextElement(gpx, QStringLiteral("name"), track.name);
        w.writeStartElement(gpx, QStringLiteral("trkseg"));
        for (const TrackPoint &p : track.points) {
            w.writeStartElement(gpx, QStringLiteral("trkpt"));
            w.writeAttribute(QStringLiteral("lat"), fixed(p.latitude, 7));
            w.writeAttribute(QStringLiteral("lon"), fixed(p.longitude, 7));
            if (p.time.isValid())
                w.writeTextElement(gpx, QStringLiteral("time"), isoTime(p.time));
            w.writeStartElement(gpx, QStringLiteral("extensions"));
            w.writeStartElement(tpx, QStringLiteral("TrackPointExtension"));
            w.writeTextElement(tpx, QStringLiteral("speed"), fixed(p.speedMs, 3));
            if (p.hasCourse) {
                // The schema's course range is [0, 360).
                double course = std::fmod(p.course, 360.0);
                if (course < 0)
                    course += 360.0;
                w.writeTextElement(tpx, QStringLiteral("course"), fixed(course, 2));
            }
            w.writeEndElement();
            w.writeEndElement();
            w.writeEndElement();
        }
        w.writeEndElement();
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

QByteArray trackCsvHeader()
{
    using namespace trackexport;
    return "time,latitude,longitude,speed_mps,speed_kmh,course_deg,accel_x_g,accel_y_g,accel_z_g\n";
}

QByteArray trackPointsToCsv(const QVector<TrackPoint> &points)
{
    using namespace trackexport;
    QByteArray out;
    for (const TrackPoint &p : points) {
        const QStringList fields{isoTime(p.time),
                                 fixed(p.latitude, 7),
                                 fixed(p.longitude, 7),
                                 fixed(p.speedMs, 3),
                                 fixed(p.speedMs * 3.6, 2),
                                 p.hasCourse ? fixed(p.course, 2) : QString(),
                                 fixed(p.gX, 4),
                                 fixed(p.gY, 4),
                                 fixed(p.gZ, 4)};
        out += fields.join(QLatin1Char(',')).toLatin1() + '\n';
    }
    return out;
}
