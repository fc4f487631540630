#include "telemetrystrip.h"

#include "lugpsmodel.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFontMetrics>
#include <QPair>
#include <QStringList>
#include <QFont>
#include <QPainter>

#include <cmath>

namespace {
const QString kLeftArrow = QStringLiteral("\u25c0");
const QString kRightArrow = QStringLiteral("\u25b6");

// The car's signals of a frame as pieces with their colours, left to right.
QVector<QPair<QString, QColor>> signalPieces(const CarSignalFrame &f)
{
    QVector<QPair<QString, QColor>> pieces;
    const QString gear = carGearText(f.gear);
    if (!gear.isEmpty())
        pieces.push_back({gear, Qt::white});
    if (f.brake)
        pieces.push_back({QCoreApplication::translate("CarSignals", "BRAKE"), QColor(0xff, 0x40, 0x40)});
    if (f.blinkerLeft)
        pieces.push_back({kLeftArrow, QColor(0x3e, 0xd4, 0x6d)});
    if (f.blinkerRight)
        pieces.push_back({kRightArrow, QColor(0x3e, 0xd4, 0x6d)});
    const QString assist = carAssistText(f.assist);
    if (!assist.isEmpty())
        pieces.push_back({assist, QColor(0x6a, 0xb3, 0xff)});
    return pieces;
}

QString degreesText(double value, char positive, char negative)
{
    return QStringLiteral("%1° %2")
        .arg(std::fabs(value), 0, 'f', 6)
        .arg(QLatin1Char(value < 0 ? negative : positive));
}
} // namespace

QString compassPoint(double degrees)
{
    static const char *const points[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    double d = std::fmod(degrees, 360.0);
    if (d < 0)
        d += 360.0;
    return QLatin1String(points[int(std::lround(d / 45.0)) % 8]);
}

TelemetryStrip::TelemetryStrip(const QByteArray &trackText, bool mph)
{
    for (const QByteArray &raw : trackText.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty())
            continue;
        const LuGPSModel sample(line.constData());
        Second s;
        s.fix = sample.status == 'A';
        if (s.fix) {
            const QDateTime time = QDateTime::fromString(QString::fromLatin1(sample.timeText),
                                                         QStringLiteral("yyyyMMddHHmmss"));
            const QString when = time.isValid()
                                     ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                     : QStringLiteral("----------");
            const double speed = mph ? double(sample.speedMph) : double(sample.speedKmh);
            s.text = QStringLiteral("%1   %2 %3   %4   %5   %6° %7")
                         .arg(when)
                         .arg(std::lround(speed))
                         .arg(mph ? QStringLiteral("mph") : QStringLiteral("km/h"))
                         .arg(degreesText(sample.wgsLatitude, 'N', 'S'))
                         .arg(degreesText(sample.wgsLongitude, 'E', 'W'))
                         .arg(std::lround(double(sample.course)) % 360)
                         .arg(compassPoint(double(sample.course)));
            s.position = QPointF(sample.wgsLongitude, sample.wgsLatitude);
        }
        m_seconds.push_back(s);
    }
}

bool TelemetryStrip::hasFix(int second) const
{
    return second >= 0 && second < m_seconds.size() && m_seconds[second].fix;
}

bool TelemetryStrip::anyFix() const
{
    for (const Second &s : m_seconds)
        if (s.fix)
            return true;
    return false;
}

QPointF TelemetryStrip::position(int second) const
{
    return hasFix(second) ? m_seconds[second].position : QPointF();
}

QString TelemetryStrip::text(int second) const
{
    return hasFix(second) ? m_seconds[second].text : QStringLiteral("no GPS");
}

QString TelemetryStrip::carSignalsText(double time) const
{
    const int index = carSignalFrameAt(m_carSignals, time);
    if (index < 0)
        return QString();
    QStringList words;
    for (const auto &piece : signalPieces(m_carSignals[index]))
        words << piece.first;
    return words.join(QStringLiteral("   "));
}

QImage TelemetryStrip::render(int second, const QSize &size, double time) const
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(qMax(8, size.height() * 11 / 20));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(image.rect().adjusted(size.height() / 3, 0, 0, 0),
                     Qt::AlignVCenter | Qt::AlignLeft, text(second));
    const int index = time >= 0 ? carSignalFrameAt(m_carSignals, time) : -1;
    if (index < 0)
        return image;
    // Right-aligned, drawn from the right edge leftwards.
    const QFontMetrics metrics(font);
    const int gap = metrics.horizontalAdvance(QStringLiteral("   "));
    int right = size.width() - size.height() / 3;
    const QVector<QPair<QString, QColor>> pieces = signalPieces(m_carSignals[index]);
    for (int i = pieces.size() - 1; i >= 0; --i) {
        const int width = metrics.horizontalAdvance(pieces[i].first);
        painter.setPen(pieces[i].second);
        painter.drawText(QRect(right - width, 0, width, size.height()), Qt::AlignVCenter | Qt::AlignLeft,
                         pieces[i].first);
        right -= width + gap;
    }
    return image;
}
