#include "carsignalsrow.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
namespace carsignalsrow {
constexpr int kHeight = 28;
// Widths of the parts, left to right, and the gap after each.
constexpr int kWidths[CarSignalsRow::PartCount] = {26, 50, 22, 22, 84, 36, 72};
constexpr int kGaps[CarSignalsRow::PartCount] = {6, 6, 2, 6, 6, 8, 0};

const QColor kSlot(0x2a, 0x30, 0x38);
const QColor kUnlit(0x5a, 0x63, 0x6e);
const QColor kText(0xe8, 0xec, 0xf0);
const QColor kBrake(0xe0, 0x3a, 0x3a);
const QColor kBlinker(0x3e, 0xc4, 0x6d);
const QColor kAssist(0x4a, 0xa3, 0xff);

int rowWidth()
{
    int w = 0;
    for (int i = 0; i < CarSignalsRow::PartCount; ++i)
        w += kWidths[i] + kGaps[i];
    return w;
}

// An arrow filling rect, pointing left or right.
QPainterPath arrow(const QRectF &rect, bool left)
{
    const QRectF r = rect.adjusted(3, 6, -3, -6);
    const qreal mid = r.center().y(), head = r.width() * 0.55;
    QPainterPath p;
    const qreal tip = left ? r.left() : r.right(), back = left ? r.right() : r.left();
    const qreal neck = left ? r.left() + head : r.right() - head;
    const qreal shaft = r.height() * 0.22;
    p.moveTo(tip, mid);
    p.lineTo(neck, r.top());
    p.lineTo(neck, mid - shaft);
    p.lineTo(back, mid - shaft);
    p.lineTo(back, mid + shaft);
    p.lineTo(neck, mid + shaft);
    p.lineTo(neck, r.bottom());
    p.closeSubpath();
    return p;
}

QRectF wheelRect(const QRect &steering)
{
    return QRectF(steering.left() + 2, steering.top() + 4, steering.height() - 8,
                  steering.height() - 8);
}

QFont partFont(const QWidget &widget, int pixels, bool bold)
{
    QFont font = widget.font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}
} // namespace carsignalsrow
} // namespace

CarSignalsRow::CarSignalsRow(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setToolTip(tr("The car's own signals at this moment: gear, brake, blinkers, driver "
                  "assistance, accelerator pedal and steering wheel angle"));
}

QSize CarSignalsRow::sizeHint() const
{
    using namespace carsignalsrow;
    return QSize(rowWidth(), kHeight);
}

QSize CarSignalsRow::minimumSizeHint() const
{
    return sizeHint();
}

QRect CarSignalsRow::partRect(Part part) const
{
    using namespace carsignalsrow;
    int x = qMax(0, (width() - rowWidth()) / 2);
    for (int i = 0; i < part; ++i)
        x += kWidths[i] + kGaps[i];
    const int y = qMax(0, (height() - kHeight) / 2);
    return QRect(x, y, kWidths[part], kHeight);
}

QString CarSignalsRow::gearText() const
{
    return m_hasFrame ? carGearText(m_frame.gear) : QString();
}

QString CarSignalsRow::assistText() const
{
    return m_hasFrame ? carAssistText(m_frame.assist) : QString();
}

QString CarSignalsRow::steeringText() const
{
    if (!m_hasFrame)
        return QString();
    return tr("%1°", "steering wheel angle in degrees")
        .arg(int(std::lround(double(m_frame.steeringDeg))));
}

bool CarSignalsRow::differs(Part part, bool hadA, const CarSignalFrame &a, bool hasB,
                            const CarSignalFrame &b) const
{
    if (hadA != hasB)
        return true;
    if (!hadA)
        return false;
    switch (part) {
    case Gear:
        return a.gear != b.gear;
    case Brake:
        return a.brake != b.brake;
    case LeftBlinker:
        return a.blinkerLeft != b.blinkerLeft;
    case RightBlinker:
        return a.blinkerRight != b.blinkerRight;
    case Assist:
        return a.assist != b.assist;
    // A pixel of the bar is 1/34 of the pedal's travel; smaller steps do not show.
    case Pedal:
        return std::lround(a.pedal * 34) != std::lround(b.pedal * 34);
    case Steering:
        return std::lround(a.steeringDeg) != std::lround(b.steeringDeg);
    case PartCount:
        break;
    }
    return false;
}

void CarSignalsRow::setFrame(const CarSignalFrame &frame)
{
    for (int p = 0; p < PartCount; ++p)
        if (differs(Part(p), m_hasFrame, m_frame, true, frame))
            update(partRect(Part(p)));
    m_frame = frame;
    m_hasFrame = true;
}

void CarSignalsRow::clear()
{
    if (m_hasFrame)
        update();
    m_hasFrame = false;
    m_frame = CarSignalFrame();
}

void CarSignalsRow::resizeEvent(QResizeEvent *event)
{
    m_static = QPixmap();
    QWidget::resizeEvent(event);
}

void CarSignalsRow::paintStatic(QPainter &painter) const
{
    using namespace carsignalsrow;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kSlot);
    for (Part p : {Gear, Brake, Assist})
        painter.drawRoundedRect(QRectF(partRect(p)).adjusted(0.5, 3.5, -0.5, -3.5), 4, 4);
    painter.setPen(kUnlit);
    painter.setFont(partFont(*this, 10, true));
    painter.drawText(partRect(Brake), Qt::AlignCenter, tr("BRAKE"));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kUnlit, 1.2));
    painter.drawPath(arrow(partRect(LeftBlinker), true));
    painter.drawPath(arrow(partRect(RightBlinker), false));
    const QRect pedal = partRect(Pedal);
    painter.drawRect(QRectF(pedal.left() + 0.5, pedal.center().y() - 4.5, pedal.width() - 1, 9));
    painter.setPen(QPen(kUnlit, 2));
    painter.drawEllipse(wheelRect(partRect(Steering)));
}

void CarSignalsRow::paintPart(QPainter &painter, Part part) const
{
    using namespace carsignalsrow;
    const QRect r = partRect(part);
    switch (part) {
    case Gear:
        painter.setPen(kText);
        painter.setFont(partFont(*this, 15, true));
        painter.drawText(r, Qt::AlignCenter, gearText());
        break;
    case Brake:
        if (!brakeLit())
            break;
        painter.setPen(Qt::NoPen);
        painter.setBrush(kBrake);
        painter.drawRoundedRect(QRectF(r).adjusted(0.5, 3.5, -0.5, -3.5), 4, 4);
        painter.setPen(Qt::white);
        painter.setFont(partFont(*this, 10, true));
        painter.drawText(r, Qt::AlignCenter, tr("BRAKE"));
        break;
    case LeftBlinker:
    case RightBlinker:
        if (part == LeftBlinker ? leftLit() : rightLit()) {
            painter.setPen(QPen(kBlinker, 1.2));
            painter.setBrush(kBlinker);
            painter.drawPath(arrow(r, part == LeftBlinker));
        }
        break;
    case Assist:
        painter.setPen(kAssist);
        painter.setFont(partFont(*this, 11, true));
        painter.drawText(r, Qt::AlignCenter, assistText());
        break;
    case Pedal:
        if (m_hasFrame) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(kBlinker);
            painter.drawRect(QRectF(r.left() + 1, r.center().y() - 3.5,
                                    double(m_frame.pedal) * (r.width() - 2), 7));
        }
        break;
    case Steering:
        if (m_hasFrame) {
            // The wheel's spoke turns with the wheel: clockwise on screen for a right turn.
            const QRectF wheel = wheelRect(r);
            painter.save();
            painter.translate(wheel.center());
            painter.rotate(double(m_frame.steeringDeg));
            painter.setPen(QPen(kText, 2));
            painter.drawLine(QPointF(-wheel.width() / 2 + 1, 0), QPointF(wheel.width() / 2 - 1, 0));
            painter.drawLine(QPointF(0, 0), QPointF(0, wheel.height() / 2 - 1));
            painter.restore();
            painter.setPen(kText);
            painter.setFont(partFont(*this, 12, false));
            painter.drawText(r.adjusted(int(wheel.width()) + 6, 0, 0, 0),
                             Qt::AlignVCenter | Qt::AlignLeft, steeringText());
        }
        break;
    case PartCount:
        break;
    }
}

void CarSignalsRow::paintEvent(QPaintEvent *event)
{
    const qreal ratio = devicePixelRatioF();
    if (m_static.isNull() || m_static.devicePixelRatio() != ratio) {
        m_static = QPixmap(size() * ratio);
        m_static.setDevicePixelRatio(ratio);
        m_static.fill(Qt::transparent);
        QPainter cache(&m_static);
        paintStatic(cache);
    }
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawPixmap(0, 0, m_static);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int p = 0; p < PartCount; ++p)
        if (event->region().intersects(partRect(Part(p))))
            paintPart(painter, Part(p));
}
