#include "routeinset.h"

#include "telemetrystrip.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

RouteInset::RouteInset(const TelemetryStrip &strip, int first, int last)
{
    double east = 1;
    for (int s = qMax(0, first); s <= last && s < strip.seconds(); ++s) {
        if (!strip.hasFix(s))
            continue;
        const QPointF p = strip.position(s);
        // A degree of longitude shrinks towards the poles; the first fix's scale serves a drive.
        if (m_points.isEmpty())
            east = std::cos(p.y() * M_PI / 180);
        m_points.push_back(QPointF(p.x() * east, -p.y()));
        m_seconds.push_back(s);
    }
    if (m_points.isEmpty())
        return;
    double left = m_points[0].x(), right = left, top = m_points[0].y(), bottom = top;
    for (const QPointF &p : qAsConst(m_points)) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    m_bounds = QRectF(left, top, right - left, bottom - top);
}

QImage RouteInset::render(int second, const QSize &size) const
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(24, 28, 34));
    if (m_points.isEmpty())
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double margin = qMax(4, size.width() / 10);
    const double span = std::max(m_bounds.width(), m_bounds.height());
    const double scale = span > 0 ? (std::min(size.width(), size.height()) - 2 * margin) / span : 0;
    // Centred, north up, the same scale both ways.
    const QPointF centre = m_bounds.center();
    const auto place = [&](const QPointF &p) {
        return QPointF(size.width() / 2.0 + (p.x() - centre.x()) * scale,
                       size.height() / 2.0 + (p.y() - centre.y()) * scale);
    };
    QPainterPath route(place(m_points[0]));
    for (int i = 1; i < m_points.size(); ++i)
        route.lineTo(place(m_points[i]));
    painter.setPen(QPen(QColor(90, 170, 255), qMax(2.0, size.width() / 60.0), Qt::SolidLine,
                        Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(route);
    // The last fix at or before the moment shown.
    const auto at = std::upper_bound(m_seconds.cbegin(), m_seconds.cend(), second);
    const int index = at == m_seconds.cbegin() ? 0 : int(at - m_seconds.cbegin()) - 1;
    const double radius = qMax(3.0, size.width() / 24.0);
    painter.setPen(QPen(Qt::white, qMax(1.0, radius / 3)));
    painter.setBrush(QColor(230, 40, 40));
    painter.drawEllipse(place(m_points[index]), radius, radius);
    return image;
}
