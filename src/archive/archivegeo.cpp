#include "archivegeo.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kArchiveFixBytes = 12;
constexpr double kArchiveDegreeUnits = 1e7;
constexpr double kArchiveSpeedUnits = 100;

double metresPerLonDegree(double latitude)
{
    return kArchiveMetresPerDegree * std::cos(latitude * M_PI / 180.0);
}
} // namespace

double archiveMetres(double lat1, double lon1, double lat2, double lon2)
{
    const double dy = (lat2 - lat1) * kArchiveMetresPerDegree;
    const double dx = (lon2 - lon1) * metresPerLonDegree((lat1 + lat2) / 2);
    return std::hypot(dx, dy);
}

double archiveMetresToSegment(double pLat, double pLon, double aLat, double aLon, double bLat,
                              double bLon, double *t)
{
    const double perLon = metresPerLonDegree(pLat);
    const double ax = (aLon - pLon) * perLon;
    const double ay = (aLat - pLat) * kArchiveMetresPerDegree;
    const double bx = (bLon - pLon) * perLon;
    const double by = (bLat - pLat) * kArchiveMetresPerDegree;
    const double dx = bx - ax;
    const double dy = by - ay;
    const double length2 = dx * dx + dy * dy;
    const double along = length2 > 0 ? std::clamp(-(ax * dx + ay * dy) / length2, 0.0, 1.0) : 0.0;
    if (t)
        *t = along;
    return std::hypot(ax + along * dx, ay + along * dy);
}

QVector<int> simplifiedIndices(const QVector<ArchiveFix> &fixes, double toleranceMetres)
{
    QVector<int> kept;
    if (fixes.isEmpty())
        return kept;
    QVector<bool> keep(fixes.size(), false);
    keep.first() = keep.last() = true;
    // An explicit stack: an hour of fixes must not recurse 3,600 deep.
    QVector<std::pair<int, int>> spans{{0, int(fixes.size()) - 1}};
    while (!spans.isEmpty()) {
        const auto [from, to] = spans.takeLast();
        double farthest = -1;
        int at = -1;
        for (int i = from + 1; i < to; ++i) {
            const double d = archiveMetresToSegment(fixes[i].latitude, fixes[i].longitude,
                                                    fixes[from].latitude, fixes[from].longitude,
                                                    fixes[to].latitude, fixes[to].longitude);
            if (d > farthest) {
                farthest = d;
                at = i;
            }
        }
        if (at > 0 && farthest > toleranceMetres) {
            keep[at] = true;
            spans.append({from, at});
            spans.append({at, to});
        }
    }
    for (int i = 0; i < keep.size(); ++i)
        if (keep[i])
            kept.append(i);
    return kept;
}

QByteArray packFixes(const QVector<ArchiveFix> &fixes, int firstSecond)
{
    QByteArray blob(fixes.size() * kArchiveFixBytes, Qt::Uninitialized);
    auto *out = reinterpret_cast<uchar *>(blob.data());
    for (const ArchiveFix &fix : fixes) {
        qToLittleEndian(qint32(std::lround(fix.latitude * kArchiveDegreeUnits)), out);
        qToLittleEndian(qint32(std::lround(fix.longitude * kArchiveDegreeUnits)), out + 4);
        qToLittleEndian(quint16(std::clamp(fix.second - firstSecond, 0, 65535)), out + 8);
        qToLittleEndian(
            quint16(std::clamp(std::lround(fix.speedKmh * kArchiveSpeedUnits), 0L, 65535L)),
            out + 10);
        out += kArchiveFixBytes;
    }
    return blob;
}

QVector<ArchiveFix> unpackFixes(const QByteArray &blob, int firstSecond)
{
    QVector<ArchiveFix> fixes;
    const int count = blob.size() / kArchiveFixBytes;
    fixes.reserve(count);
    const auto *in = reinterpret_cast<const uchar *>(blob.constData());
    for (int i = 0; i < count; ++i, in += kArchiveFixBytes) {
        ArchiveFix fix;
        fix.latitude = qFromLittleEndian<qint32>(in) / kArchiveDegreeUnits;
        fix.longitude = qFromLittleEndian<qint32>(in + 4) / kArchiveDegreeUnits;
        fix.second = firstSecond + qFromLittleEndian<quint16>(in + 8);
        fix.speedKmh = float(qFromLittleEndian<quint16>(in + 10) / kArchiveSpeedUnits);
        fixes.append(fix);
    }
    return fixes;
}
