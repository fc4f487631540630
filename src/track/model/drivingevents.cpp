#include "drivingevents.h"

#include "lugpsmodel.h"

#include <algorithm>
#include <cmath>

namespace {
namespace drivingevents {

// The jump filter's own limit: no car covers more than this between two samples a second apart.
constexpr double maxMetresPerSecond = 40.0;
constexpr double kmhToMps = 1.0 / 3.6;

bool hasFix(const LuGPSModel *sample)
{
    return sample && sample->status == 'A' && std::isfinite(sample->wgsLatitude) &&
           std::isfinite(sample->wgsLongitude) &&
           (sample->wgsLatitude != 0.0 || sample->wgsLongitude != 0.0);
}

// Metres between two nearby points; plenty exact for telling a jump from driving, and cheap
// enough for an hour of samples (the logging great-circle distance is not).
double nearbyMetres(const LuGPSModel *a, const LuGPSModel *b)
{
    constexpr double metresPerDegree = 111320.0;
    constexpr double radiansPerDegree = 3.14159265358979323846 / 180.0;
    const double dy = (b->wgsLatitude - a->wgsLatitude) * metresPerDegree;
    const double dx = (b->wgsLongitude - a->wgsLongitude) * metresPerDegree *
                      std::cos(a->wgsLatitude * radiansPerDegree);
    return std::sqrt(dx * dx + dy * dy);
}

// Both ends fixed and no jump between them.
bool validStep(const LuGPSModel *from, const LuGPSModel *to)
{
    return hasFix(from) && hasFix(to) && nearbyMetres(from, to) <= maxMetresPerSecond;
}

// Grows or closes the open event of one kind with the value of step (i - 1 -> i).
class EventBuilder
{
public:
    EventBuilder(DrivingEventKind kind, const QList<LuGPSModel *> &track, QVector<DrivingEvent> &out)
        : m_kind(kind), m_track(track), m_out(out)
    {
    }

    void step(int i, bool triggers, double value)
    {
        if (!triggers) {
            close();
            return;
        }
        if (!m_open) {
            m_open = true;
            m_event = DrivingEvent{};
            m_event.kind = m_kind;
            m_event.startSecond = i - 1;
            m_event.speedBeforeKmh = m_track[i - 1]->speedKmh;
            m_event.peakValue = value;
            m_event.peakSecond = i;
        } else if (value > m_event.peakValue) {
            m_event.peakValue = value;
            m_event.peakSecond = i;
        }
        m_event.endSecond = i;
        m_event.speedAfterKmh = m_track[i]->speedKmh;
    }

    void close()
    {
        if (m_open)
            m_out.append(m_event);
        m_open = false;
    }

private:
    DrivingEventKind m_kind;
    const QList<LuGPSModel *> &m_track;
    QVector<DrivingEvent> &m_out;
    bool m_open = false;
    DrivingEvent m_event;
};

} // namespace drivingevents
} // namespace

QVector<DrivingEvent> findDrivingEvents(const QList<LuGPSModel *> &track, double gScale,
                                        const DrivingEventThresholds &thresholds)
{
    using namespace drivingevents;
    QVector<DrivingEvent> events;
    bool carriesG = false;
    for (const LuGPSModel *sample : track) {
        if (sample && (sample->gRawX || sample->gRawY || sample->gRawZ)) {
            carriesG = true;
            break;
        }
    }
    EventBuilder braking(DrivingEventKind::HardBraking, track, events);
    EventBuilder speeding(DrivingEventKind::HardAcceleration, track, events);
    EventBuilder jolts(DrivingEventKind::Jolt, track, events);
    for (int i = 1; i < track.size(); ++i) {
        const LuGPSModel *from = track[i - 1];
        const LuGPSModel *to = track[i];
        const bool valid = validStep(from, to);
        const double change = valid ? (double(to->speedKmh) - double(from->speedKmh)) * kmhToMps : 0;
        braking.step(i, valid && -change >= thresholds.brakingMps2, -change);
        speeding.step(i, valid && change >= thresholds.accelerationMps2, change);

        double jolt = 0;
        if (valid && carriesG) {
            const double x = to->gRawX * gScale, y = to->gRawY * gScale, z = to->gRawZ * gScale;
            const double fromRest = std::fabs(std::sqrt(x * x + y * y + z * z) - 1.0);
            const double stepSize = std::max({std::fabs(x - from->gRawX * gScale),
                                              std::fabs(y - from->gRawY * gScale),
                                              std::fabs(z - from->gRawZ * gScale)});
            // One figure for both tests: how far past its own threshold, in g.
            jolt = std::max(fromRest >= thresholds.joltFromRestG ? fromRest : 0.0,
                            stepSize >= thresholds.joltStepG ? stepSize : 0.0);
        }
        jolts.step(i, jolt > 0, jolt);
    }
    braking.close();
    speeding.close();
    jolts.close();
    std::sort(events.begin(), events.end(), [](const DrivingEvent &a, const DrivingEvent &b) {
        return a.startSecond < b.startSecond;
    });
    return events;
}
